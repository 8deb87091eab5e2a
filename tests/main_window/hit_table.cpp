#include "tests/main_window/hit_table.h"

#include <gtest/gtest.h>

#include <set>

#include "skinui/controls/container.h"
#include "skinui/core/ui_manager.h"

namespace HitTable {
namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// Checks the answer at one point; the key of the control found there goes into used.
void CheckAt(HWND window, SkinUI::CUIManager& manager, const Answers& answers, POINT at,
             std::set<std::wstring>& used) {
    SkinUI::CControlUI* found = manager.FindAtPoint(at);
    ASSERT_NE(nullptr, found) << "nothing at " << at.x << "," << at.y;
    const std::wstring key = Key(found);
    const auto row = answers.find(key);
    if (row == answers.end()) {
        ADD_FAILURE() << "no answer for " << Narrow(key) << " at " << at.x << "," << at.y;
        return;
    }
    used.insert(key);
    EXPECT_EQ(row->second, HitTest(window, at)) << Narrow(key) << " at " << at.x << "," << at.y;
}

void CheckCentres(HWND window, SkinUI::CUIManager& manager, const Answers& answers,
                  SkinUI::CControlUI* control, std::set<std::wstring>& used) {
    if (!control->IsVisible()) {
        return;
    }
    const RECT& r = control->GetPos();
    if (r.right > r.left && r.bottom > r.top) {
        CheckAt(window, manager, answers, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, used);
    }
    if (auto* box = dynamic_cast<SkinUI::CContainerUI*>(control)) {
        for (int i = 0; i < box->Count(); ++i) {
            CheckCentres(window, manager, answers, box->ItemAt(i), used);
        }
    }
}

}  // namespace

std::wstring Key(const SkinUI::CControlUI* control) {
    const std::wstring name = control->GetName();
    return name.empty() ? control->GetClassName() : name;
}

LRESULT HitTest(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(client.x, client.y));
}

void Check(HWND window, SkinUI::CUIManager& manager, const Answers& answers,
           std::initializer_list<Spot> spots) {
    UpdateWindow(window);  // lays out what was shown or hidden
    std::set<std::wstring> used;
    CheckCentres(window, manager, answers, manager.GetRoot(), used);
    for (const Spot& spot : spots) {
        SkinUI::CControlUI* found = manager.FindAtPoint(spot.at);
        ASSERT_NE(nullptr, found);
        EXPECT_EQ(spot.key, Key(found)) << "at " << spot.at.x << "," << spot.at.y;
        CheckAt(window, manager, answers, spot.at, used);
    }
    for (const auto& row : answers) {
        EXPECT_EQ(1u, used.count(row.first)) << Narrow(row.first) << " was not met";
    }
}

void CheckEdges(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int midX = client.right / 2;
    const int midY = client.bottom / 2;
    for (POINT at : {POINT{-1, midY}, POINT{client.right, midY}, POINT{midX, -1},
                     POINT{midX, client.bottom}}) {
        EXPECT_EQ(HTCLIENT, HitTest(window, at)) << "at " << at.x << "," << at.y;
    }
    EXPECT_EQ(HTCAPTION, HitTest(window, {client.right - 1, client.bottom - 1}));
    EXPECT_EQ(HTCAPTION, HitTest(window, {0, 0}));
}

}  // namespace HitTable
