#include "installer/folder_picker.h"

#include <windows.h>

#include <shlobj.h>

#include "app/text_convert.h"
#include "app/log.h"
#include "app/scoped_handles.h"

namespace {

const char kTag[] = "OpenDirectoryDialog";

// An item identifier list from the shell, freed with the COM task allocator.
using ScopedItemIdList = ScopedTaskMemory<ITEMIDLIST>;

}  // namespace

int OpenDirectoryDialog::Open(HWND owner) {
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = L"Select directory";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = nullptr;

    ScopedItemIdList item(SHBrowseForFolderW(&info));
    if (!item.get()) {
        selected_.clear();
    } else if (SHGetPathFromIDListW(item.get(), displayName)) {
        selected_ = displayName;
    }
    LogT(kTag, "Selected directory: ", WideToAnsi(selected_));
    return 0;
}
