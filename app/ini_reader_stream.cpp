#include <istream>

#include "app/ini_reader.h"

IniReader::IniReader(std::istream& input) {
    parse([&input](std::string& line) { return static_cast<bool>(std::getline(input, line)); });
}
