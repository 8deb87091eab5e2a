#pragma once
#include <string>

// The machine identifier Windows keeps under SOFTWARE\Microsoft\Cryptography (a GUID without
// braces), from the 64-bit registry view on 64-bit Windows; "" when it cannot be read.
std::string GetMachineGuid();
