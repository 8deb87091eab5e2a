#include "installer/folder_picker.h"

#include <windows.h>

#include <shlobj.h>

#include "app/log.h"

namespace {

const char kTag[] = "OpenDirectoryDialog";

// An item identifier list from the shell, freed with the COM task allocator.
class ScopedItemIdList {
public:
    explicit ScopedItemIdList(LPITEMIDLIST list) : list_(list) {}
    ~ScopedItemIdList() { CoTaskMemFree(list_); }
    ScopedItemIdList(const ScopedItemIdList&) = delete;
    ScopedItemIdList& operator=(const ScopedItemIdList&) = delete;
    LPITEMIDLIST get() const { return list_; }

private:
    LPITEMIDLIST list_;
};

std::string Narrow(const std::wstring& text) {
    if (text.empty()) {
        return "";
    }
    const int length = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return "";
    }
    std::string narrow(bytes, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, &narrow[0], bytes, nullptr, nullptr);
    return narrow;
}

}  // namespace

int OpenDirectoryDialog::Open() {
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = nullptr;
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
    LogT(kTag, "Selected directory: ", Narrow(selected_));
    return 0;
}
