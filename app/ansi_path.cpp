#include "app/ansi_path.h"

size_t NextAnsiChar(const std::string& path, size_t offset, UINT codePage) {
    if (offset + 1 < path.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(path[offset]))) {
        return offset + 2;
    }
    return offset + 1;
}

std::vector<size_t> AnsiPathSeparators(const std::string& path, UINT codePage) {
    std::vector<size_t> separators;
    for (size_t i = 0; i < path.size(); i = NextAnsiChar(path, i, codePage)) {
        if (path[i] == '\\') {
            separators.push_back(i);
        }
    }
    return separators;
}

size_t LastAnsiPathSeparator(const std::string& path, UINT codePage) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); i = NextAnsiChar(path, i, codePage)) {
        if (path[i] == '\\') {
            last = i;
        }
    }
    return last;
}

bool EndsWithAnsiPathSeparator(const std::string& path, UINT codePage) {
    return !path.empty() && LastAnsiPathSeparator(path, codePage) == path.size() - 1;
}
