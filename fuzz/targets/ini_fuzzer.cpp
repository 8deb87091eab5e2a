// The configuration INI reader: the text form and the stream form must agree on every input,
// on the tree they build or on the line and fault they report.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/ini_reader.h"

namespace {

// The tree as text, parents checked on the way.
void Describe(const IniSection& section, std::string& out) {
    for (const auto& [key, value] : section.values) {
        out += key + '=' + value + '\n';
    }
    for (const auto& [name, child] : section.sections) {
        if (child.parent != &section || child.depth != section.depth + 1) {
            __builtin_trap();
        }
        out += std::string(child.depth, '[') + name + '\n';
        Describe(child, out);
    }
}

template <class Source>
std::string Read(Source& source) {
    try {
        IniReader reader(source);
        std::string tree = "ok\n";
        Describe(reader.top(), tree);
        return tree;
    } catch (const std::runtime_error& e) {
        return std::string("fault: ") + e.what();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream stream(text);
    if (Read(text) != Read<std::istream>(stream)) {
        __builtin_trap();
    }
    return 0;
}
