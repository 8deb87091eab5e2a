#include "installer/folder_picker.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/support/log_capture.h"

namespace {

struct Found {
    HWND dialog = nullptr;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd)) {
        reinterpret_cast<Found*>(param)->dialog = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindTree(HWND hwnd, LPARAM param) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (std::wstring(cls) == L"SysTreeView32") {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Text of the browser tree's selected item ("" when there is none yet).
std::wstring SelectedItemText(HWND dialog) {
    HWND tree = nullptr;
    EnumChildWindows(dialog, FindTree, reinterpret_cast<LPARAM>(&tree));
    if (!tree) {
        return L"";
    }
    HTREEITEM item =
        reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) {
        return L"";
    }
    wchar_t text[MAX_PATH] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

BOOL CALLBACK FindTitle(HWND hwnd, LPARAM param) {
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    if (std::wstring(text) == L"Select directory") {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// Plays the user from a helper thread: waits for the browser the UI thread opens, then
// either cancels it or selects a folder through the browser's own message and confirms.
class BrowserUser {
public:
    BrowserUser(DWORD uiThread, std::wstring folder)
        : uiThread_(uiThread), folder_(std::move(folder)), thread_([this] { Run(); }) {}
    ~BrowserUser() { thread_.join(); }
    bool sawDialog() const { return sawDialog_; }
    bool sawTitle() const { return sawTitle_; }

private:
    void Run() {
        Found found;
        for (int i = 0; i < 600 && !found.dialog; ++i) {
            Sleep(50);
            EnumThreadWindows(uiThread_, FindDialog, reinterpret_cast<LPARAM>(&found));
        }
        if (!found.dialog) {
            return;
        }
        sawDialog_ = true;
        bool title = false;
        EnumChildWindows(found.dialog, FindTitle, reinterpret_cast<LPARAM>(&title));
        sawTitle_ = title;
        if (folder_.empty()) {
            PostMessageW(found.dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        // The browser selects its starting folder only after it shows, which can come after a
        // selection made too early (slow first start of a fresh Wine prefix): select again until
        // the tree shows the folder's own name.
        const std::wstring name = folder_.substr(folder_.find_last_of(L'\\') + 1);
        for (int i = 0; i < 40; ++i) {
            SendMessageW(found.dialog, BFFM_SETSELECTIONW, TRUE,
                         reinterpret_cast<LPARAM>(folder_.c_str()));
            Sleep(250);
            const std::wstring shown = SelectedItemText(found.dialog);
            if (name.empty() ? i >= 4 : shown == name) {
                break;
            }
        }
        PostMessageW(found.dialog, WM_COMMAND, IDOK, 0);
    }

    DWORD uiThread_;
    std::wstring folder_;
    std::atomic<bool> sawDialog_{false};
    std::atomic<bool> sawTitle_{false};
    std::thread thread_;
};

const char kPickedFolder[] = "C:\\velmora picker\\picked folder";

class FolderPicker : public ::testing::Test {
protected:
    // A folder on the prefix's own drive C: (the browser does not reach into Wine's Z: drive).
    // It must exist before the first browser of the process opens: the shell keeps what it
    // enumerated then, and a folder made later cannot be selected.
    static void SetUpTestSuite() {
        CreateDirectoryA("C:\\velmora picker", nullptr);
        CreateDirectoryA(kPickedFolder, nullptr);
    }
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }

    // Opens the picker on this (UI) thread while a helper plays the user.
    std::wstring Pick(OpenDirectoryDialog& picker, const std::wstring& folder) {
        BrowserUser user(GetCurrentThreadId(), folder);
        EXPECT_EQ(0, picker.Open());
        return picker.selected();
    }
};

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

TEST_F(FolderPicker, CancelGivesAnEmptySelectionAndLogsIt) {
    LogCapture log;
    OpenDirectoryDialog picker;
    EXPECT_EQ(L"", picker.selected());
    {
        BrowserUser user(GetCurrentThreadId(), L"");
        EXPECT_EQ(0, picker.Open());
        EXPECT_TRUE(user.sawDialog());
        EXPECT_TRUE(user.sawTitle());
    }
    EXPECT_EQ(L"", picker.selected());
    EXPECT_EQ(1, log.countExact("Selected directory: ", "T/")) << log.dump();
    EXPECT_EQ(1, static_cast<int>(log.lines().size()));
    EXPECT_NE(std::string::npos, log.lines()[0].find("T/OpenDirectoryDialog -- "));
}

TEST_F(FolderPicker, ChosenFolderIsReturnedAsTheShellGivesIt) {
    const std::string path = kPickedFolder;
    LogCapture log;
    OpenDirectoryDialog picker;
    EXPECT_EQ(Wide(path), Pick(picker, Wide(path)));
    EXPECT_EQ(1, log.countExact("Selected directory: " + path, "T/")) << log.dump();
    // Cancelling the same picker afterwards empties it again.
    EXPECT_EQ(L"", Pick(picker, L""));
}

TEST_F(FolderPicker, DriveRootKeepsItsBackslash) {
    OpenDirectoryDialog picker;
    EXPECT_EQ(L"C:\\", Pick(picker, L"C:\\"));
}
