#pragma once
#include <windows.h>

#include <string>

// Local time as "YYYY:MM:DD_hh:mm:ss", for example 2016:05:03_14:07:09.
std::string GetLocalTimeText();
std::string FormatLocalTime(const SYSTEMTIME& time);
