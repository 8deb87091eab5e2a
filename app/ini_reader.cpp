#include "app/ini_reader.h"

#include <cstdio>
#include <stdexcept>

IniSection& IniSection::section(const std::string& name) {
    return sections[name];
}

std::string& IniSection::value(const std::string& key) {
    return values[key];
}

namespace {
std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    std::string::size_type first = s.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return std::string();
    }
    std::string::size_type last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}
}  // namespace

IniReader::IniReader(const std::string& text) {
    size_t pos = 0;
    parse([&text, &pos](std::string& line) {
        if (pos >= text.size()) {
            return false;
        }
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        line.assign(text, pos, end - pos);
        pos = end + 1;
        return true;
    });
}

void IniReader::fail(const char* fault) const {
    char message[256];
    std::snprintf(message, sizeof message, "%s on line #%ld", fault, lineNumber_);
    throw std::runtime_error(message);
}

// A loop with a pointer to the section being filled, so the number of headers is not
// limited by call depth.
void IniReader::parse(const LineSource& nextLine) {
    IniSection* current = &top_;
    while (nextLine(line_)) {
        ++lineNumber_;
        if (!line_.empty() && (line_[0] == '#' || line_[0] == ';')) {
            continue;
        }
        std::string line = Trim(line_);
        if (line.empty()) {
            continue;
        }
        if (line[0] == '[') {
            unsigned depth = 0;
            while (depth < line.size() && line[depth] == '[') {
                ++depth;
            }
            // depth characters off each end; the end characters are not examined.
            std::string name;
            if (line.size() >= 2u * depth) {
                name = line.substr(depth, line.size() - 2u * depth);
            }
            if (depth > current->depth + 1) {
                fail("section with wrong depth");
            }
            IniSection* parentSection = current;
            if (depth <= current->depth) {
                parentSection = current->parent;
                for (unsigned up = current->depth - depth; up > 0 && parentSection; --up) {
                    parentSection = parentSection->parent;
                }
                if (!parentSection) {
                    parentSection = &top_;
                }
            }
            IniSection& child = parentSection->section(name);
            if (child.depth != 0) {
                fail("duplicate section name on the same level");
            }
            child.depth = depth;
            child.parent = parentSection;
            current = &child;
            continue;
        }
        std::string::size_type eq = line.find('=');
        if (eq == std::string::npos) {
            fail("no '=' found");
        }
        std::string key = line.substr(0, eq);
        if (!current->values.emplace(key, line.substr(eq + 1)).second) {
            fail("duplicated key found");
        }
    }
}
