#pragma once
// GDI+ started for as long as an object lives (GDI+ counts the start-ups).
#include <windows.h>

namespace SkinUI {

class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool IsStarted() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace SkinUI
