#pragma once
// Strict reader of INI texts with nested sections: "[a]" has depth 1, "[[b]]" depth 2 and
// belongs to the nearest preceding depth-1 section. The first malformed line throws
// std::runtime_error("<fault> on line #<n>").
#include <functional>
#include <iosfwd>
#include <map>
#include <string>

class IniSection {
public:
    // Child section by name; a missing one is created empty (depth 0, no parent).
    IniSection& section(const std::string& name);
    // Value by key; a missing one is inserted as an empty string.
    std::string& value(const std::string& key);

    std::map<std::string, std::string> values;
    std::map<std::string, IniSection> sections;
    IniSection* parent = nullptr;
    unsigned depth = 0;
};

class IniReader {
public:
    // Reads the whole stream (ini_reader_stream.cpp, so that users of the text form do not
    // link the stream library, which is large).
    explicit IniReader(std::istream& input);
    // The same for a text in memory, lines split at "\n".
    explicit IniReader(const std::string& text);

    IniSection& top() { return top_; }

private:
    // Gives the next line without its "\n"; false at the end of the input.
    using LineSource = std::function<bool(std::string&)>;

    [[noreturn]] void fail(const char* fault) const;
    void parse(const LineSource& nextLine);

    IniSection top_;
    std::string line_;
    long lineNumber_ = 0;
};
