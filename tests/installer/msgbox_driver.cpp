// Shows one kind of message box through its front end, for tests that drive it like a user:
//   msgbox_driver <kind 1-6> [processor name or text]
// Before the box runs it prints "visible: <names>", the texts of msg12 and msg13 (UTF-8) and
// the control that has the focus.
// Exit code 3 means the front end returned; the box's own quit buttons end it with 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/msg_box.h"
#include "installer/installer_exit.h"
#include "report/report_queue.h"
#include "skinui/controls/control.h"

namespace {
std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    }
    return out;
}

void DumpBox(CMsgBox& box) {
    static const wchar_t* const kNames[] = {L"msg11",          L"msg12",     L"msg13",
                                            L"msg21",          L"msg22",     L"msg23",
                                            L"msg31",          L"msg41",     L"msg51",
                                            L"msg61",          L"msg62",     L"closebtn",
                                            L"btnISee",        L"btnQuit",   L"btnQuitCenter",
                                            L"btnRetry",       L"btnDetail", L"btnContinueSetup",
                                            L"btnCancelSetup", L"btnOK",     L"btnCancel"};
    std::string visible;
    for (const wchar_t* name : kNames) {
        SkinUI::CControlUI* c = box.manager().FindByName(name);
        if (c && c->IsVisible()) {
            visible += (visible.empty() ? "" : ",") + Utf8(name);
        }
    }
    std::printf("visible: %s\n", visible.c_str());
    for (const wchar_t* name : {L"msg12", L"msg13"}) {
        SkinUI::CControlUI* c = box.manager().FindByName(name);
        std::printf("%s=%s\n", Utf8(name).c_str(), c ? Utf8(c->GetText()).c_str() : "");
    }
    // What the non-client hit test says at the centre of each visible control, and whether
    // the window got its rounded region.
    std::string hits;
    const HWND hwnd = box.GetHWND();
    UpdateWindow(hwnd);  // the first paint lays the controls out
    for (const wchar_t* name : kNames) {
        SkinUI::CControlUI* c = box.manager().FindByName(name);
        if (!c || !c->IsVisible()) {
            continue;
        }
        const RECT& r = c->GetPos();
        POINT pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(hwnd, &pt);
        LRESULT hit = SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
        hits += (hits.empty() ? "" : ",") + Utf8(name) + ":" + std::to_string(hit);
    }
    std::printf("hits: %s\n", hits.c_str());
    // The control the keyboard starts on (the first paint put it there).
    SkinUI::CControlUI* focus = box.manager().GetFocus();
    std::printf("focus: %s\n", focus ? Utf8(focus->GetName()).c_str() : "");
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(hwnd, region);
    POINT corner = {0, 0}, inside = {150, 90};
    std::printf("region: %d corner=%d inside=%d\n", kind, PtInRegion(region, corner.x, corner.y),
                PtInRegion(region, inside.x, inside.y));
    DeleteObject(region);
    std::printf("shown\n");
    std::fflush(stdout);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: msgbox_driver <kind> [text]\n");
        return 2;
    }
    CMsgBox::onShow = &DumpBox;
    const int kind = _wtoi(argv[1]);
    const std::wstring text = argc > 2 ? argv[2] : L"";
    switch (kind) {
        case 1:
            ShowXpWarningBox();
            break;
        case 2:
            ShowCpuUnsupportedBox(text);
            break;
        case 3:
            ShowConfigFailedBox();
            break;
        case 4:
            ShowCancelInstallBox(text);
            break;
        case 5:
            ShowConfirmExitBox(text);
            break;
        case 6:
            ShowOsIncompatibleBox();
            break;
        default:
            return 2;
    }
    // As the installer does before it ends: the reports of the box get their time.
    WaitForQueuedReports(kReportGraceMs);
    std::printf("returned\n");
    std::fflush(stdout);
    return 3;
}
