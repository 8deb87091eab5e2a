// The message box's drag area in every kind: the background, the pictures and the texts drag
// the box; its buttons do not.
#include <windows.h>

#include <gtest/gtest.h>

#include "installer/msg_box.h"
#include "installer/usage_text.h"
#include "skinui/controls/container.h"
#include "skinui/controls/text.h"
#include "tests/main_window/hit_table.h"

namespace {

struct KindTable {
    int kind;
    HitTable::Answers answers;
};

}  // namespace

TEST(MsgBoxDragArea, TextsAndPicturesDragButtonsDoNot) {
    const KindTable kinds[] = {
        {kMsgBoxXpAdvice,
         {{L"msg21", HTCAPTION},
          {L"msg22", HTCAPTION},
          {L"msg23", HTCAPTION},
          {L"btnISee", HTCLIENT}}},
        {kMsgBoxCpuUnsupported,
         {{L"msg11", HTCAPTION},
          {L"msg12", HTCAPTION},
          {L"msg13", HTCAPTION},
          {L"btnQuitCenter", HTCLIENT}}},
        {kMsgBoxConfigFailed,
         {{L"msg31", HTCAPTION}, {L"btnRetry", HTCLIENT}, {L"btnQuit", HTCLIENT}}},
        {kMsgBoxInstallNotFinished,
         {{L"msg41", HTCAPTION}, {L"btnContinueSetup", HTCLIENT}, {L"btnCancelSetup", HTCLIENT}}},
        {kMsgBoxConfirmExit,
         {{L"msg51", HTCAPTION}, {L"btnOK", HTCLIENT}, {L"btnCancel", HTCLIENT}}},
        {kMsgBoxOsIncompatible,
         {{L"msg61", HTCAPTION}, {L"msg62", HTCAPTION}, {L"btnQuitCenter", HTCLIENT}}},
    };
    // One box through every kind (a window costs seconds to destroy under Wine).
    CMsgBox box;
    box.CreateWnd(nullptr, L"", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 300, 400, nullptr);
    const HWND window = box.GetHWND();
    for (const KindTable& table : kinds) {
        SCOPED_TRACE(table.kind);
        box.SetKind(table.kind);
        HitTable::Answers answers = table.answers;
        answers.insert({{L"bklayout", HTCAPTION},  // the background
                        {L"Icon", HTCAPTION},
                        {L"warnIcon", HTCAPTION},
                        {L"closebtn", HTCLIENT}});
        HitTable::Check(window, box.manager(), answers,
                        {{{270, 170}, L"bklayout"}, {{20, 150}, L"bklayout"}});
    }
    // The usage text, in its own text control over the message area, drags as a label does.
    box.SetKind(kMsgBoxUsage);
    box.SetLongText(UsageBoxText());
    HitTable::Check(window, box.manager(),
                    {{L"bklayout", HTCAPTION},
                     {L"Icon", HTCAPTION},
                     {L"TextUI", HTCAPTION},
                     {L"closebtn", HTCLIENT},
                     {L"btnISee", HTCLIENT}},
                    {{{270, 170}, L"bklayout"}, {{150, 60}, L"TextUI"}});
    HitTable::CheckEdges(window);
}

// A text with a link in the box: the link takes the press, the rest of the text drags the box
// as its labels do.
TEST(MsgBoxDragArea, ALinkTakesThePressTheTextAroundItDrags) {
    CMsgBox box;
    box.CreateWnd(nullptr, L"", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 300, 400, nullptr);
    box.SetKind(kMsgBoxConfigFailed);
    auto* area = dynamic_cast<SkinUI::CContainerUI*>(box.manager().FindByName(L"bklayout"));
    ASSERT_NE(nullptr, area);
    auto* text = new SkinUI::CTextUI;
    text->SetAttribute(L"float", L"true");
    text->SetAttribute(L"pos", L"14,100,286,124");
    text->SetAttribute(L"showhtml", L"true");
    text->SetText(L"See {a help}the help{/a} for more");
    area->Add(text);
    UpdateWindow(box.GetHWND());
    ASSERT_EQ(1, text->GetLinkCount());
    const RECT link = text->GetLinkRect(0);
    EXPECT_EQ(HTCLIENT, HitTable::HitTest(box.GetHWND(), {(link.left + link.right) / 2,
                                                          (link.top + link.bottom) / 2}));
    EXPECT_EQ(HTCAPTION, HitTable::HitTest(box.GetHWND(), {280, 112}));
}
