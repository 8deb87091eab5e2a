#pragma once
// The random number and signature every report carries.
#include <string>

// Seeds the C library generator with the tick count and draws one number (0 to 32767).
int DrawReportNumber();
// Lowercase hexadecimal MD5 of the number in decimal followed by the signing key.
std::string MakeSign(int number);
