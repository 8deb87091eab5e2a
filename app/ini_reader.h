#pragma once
// Strict reader of INI texts with nested sections: "[a]" has depth 1, "[[b]]" depth 2 and
// belongs to the nearest preceding depth-1 section. The first malformed line throws
// std::runtime_error("<fault> on line #<n>").
#include <istream>
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
    explicit IniReader(std::istream& input);

    IniSection& top() { return top_; }

private:
    [[noreturn]] void fail(const char* fault) const;
    void parse();

    IniSection top_;
    std::istream& input_;
    std::string line_;
    long lineNumber_ = 0;
};
