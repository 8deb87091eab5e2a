#include "report/report_sign.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "download/md5.h"

namespace {
const char kSigningKey[] = "Rb7wqLm2xKde";
}  // namespace

int DrawReportNumber() {
    std::srand(GetTickCount());
    return std::rand();
}

std::string MakeSign(int number) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%d%s", number, kSigningKey);
    return GetStringMD5(text, static_cast<size_t>(length));
}
