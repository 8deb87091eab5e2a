#include "app/nt_relative.h"

#include <winternl.h>

namespace {

typedef NTSTATUS(NTAPI* NtCreateFileFn)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
typedef NTSTATUS(NTAPI* NtSetInformationFileFn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS);
typedef NTSTATUS(NTAPI* NtQueryDirectoryFileFn)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                                PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING,
                                                BOOLEAN);
typedef NTSTATUS(NTAPI* NtQueryInformationFileFn)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                  FILE_INFORMATION_CLASS);
typedef ULONG(NTAPI* RtlNtStatusToDosErrorFn)(NTSTATUS);
const FILE_INFORMATION_CLASS kFileBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);
const FILE_INFORMATION_CLASS kFileStandardInformation = static_cast<FILE_INFORMATION_CLASS>(5);

const NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
const NTSTATUS kNoSuchFile = static_cast<NTSTATUS>(0xC000000FL);
const NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
const NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003AL);
const ULONG kFileCreated = 2;  // IO_STATUS_BLOCK.Information of a create

struct Ntdll {
    NtCreateFileFn createFile = nullptr;
    NtSetInformationFileFn setInformation = nullptr;
    NtQueryDirectoryFileFn queryDirectory = nullptr;
    NtQueryInformationFileFn queryInformation = nullptr;
    RtlNtStatusToDosErrorFn toDosError = nullptr;
    bool valid() const {
        return createFile && setInformation && queryDirectory && queryInformation && toDosError;
    }
};

template <class F>
F NtdllFunction(HMODULE ntdll, const char* name) {
    FARPROC proc = ntdll != nullptr ? GetProcAddress(ntdll, name) : nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    return reinterpret_cast<F>(proc);
#pragma GCC diagnostic pop
}

const Ntdll& Native() {
    static const Ntdll ntdll = [] {
        HMODULE module = GetModuleHandleW(L"ntdll.dll");  // in every process, never unloaded
        Ntdll found;
        found.createFile = NtdllFunction<NtCreateFileFn>(module, "NtCreateFile");
        found.setInformation =
            NtdllFunction<NtSetInformationFileFn>(module, "NtSetInformationFile");
        found.queryDirectory =
            NtdllFunction<NtQueryDirectoryFileFn>(module, "NtQueryDirectoryFile");
        found.queryInformation =
            NtdllFunction<NtQueryInformationFileFn>(module, "NtQueryInformationFile");
        found.toDosError = NtdllFunction<RtlNtStatusToDosErrorFn>(module, "RtlNtStatusToDosError");
        return found;
    }();
    return ntdll;
}

DWORD Win32Error(NTSTATUS status) {
    return Native().toDosError ? Native().toDosError(status) : ERROR_GEN_FAILURE;
}

UNICODE_STRING Counted(const std::wstring& text) {
    UNICODE_STRING counted;
    counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    counted.Buffer = const_cast<wchar_t*>(text.c_str());
    return counted;
}

}  // namespace

bool IsPlainName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name.size() < 0x7fff &&
           name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

ScopedHandle OpenRelative(HANDLE folder, const std::wstring& name, const RelativeOpen& how,
                          DWORD* error, bool* created) {
    if (created) {
        *created = false;
    }
    const Ntdll& ntdll = Native();
    if (!ntdll.valid()) {
        *error = ERROR_PROC_NOT_FOUND;
        return ScopedHandle();
    }
    if (!folder || folder == INVALID_HANDLE_VALUE || (!name.empty() && !IsPlainName(name))) {
        *error = ERROR_INVALID_NAME;
        return ScopedHandle();
    }
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, folder, how.security);
    IO_STATUS_BLOCK status = {};
    HANDLE opened = nullptr;
    const NTSTATUS result = ntdll.createFile(
        &opened, how.access | SYNCHRONIZE, &attributes, &status, nullptr, how.attributes, how.share,
        how.disposition, how.options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT,
        nullptr, 0);
    if (result < 0) {
        *error = Win32Error(result);
        return ScopedHandle();
    }
    if (created) {
        *created = status.Information == kFileCreated;
    }
    *error = ERROR_SUCCESS;
    return ScopedHandle(opened);
}

bool DeleteOpened(HANDLE file, DWORD* error) {
    const Ntdll& ntdll = Native();
    if (!ntdll.valid()) {
        *error = ERROR_PROC_NOT_FOUND;
        return false;
    }
    FILE_DISPOSITION_INFORMATION disposition = {TRUE};
    IO_STATUS_BLOCK status = {};
    const NTSTATUS result = ntdll.setInformation(file, &status, &disposition, sizeof disposition,
                                                 FileDispositionInformation);
    *error = result < 0 ? Win32Error(result) : ERROR_SUCCESS;
    return result >= 0;
}

bool ExamineOpened(HANDLE file, DWORD* attributes, DWORD* links, DWORD* error) {
    const Ntdll& ntdll = Native();
    if (!ntdll.valid()) {
        *error = ERROR_PROC_NOT_FOUND;
        return false;
    }
    FILE_BASIC_INFORMATION basic = {};
    FILE_STANDARD_INFORMATION standard = {};
    IO_STATUS_BLOCK status = {};
    NTSTATUS result =
        ntdll.queryInformation(file, &status, &basic, sizeof basic, kFileBasicInformation);
    if (result >= 0) {
        result = ntdll.queryInformation(file, &status, &standard, sizeof standard,
                                        kFileStandardInformation);
    }
    if (result < 0) {
        *error = Win32Error(result);
        return false;
    }
    *attributes = basic.FileAttributes;
    *links = standard.NumberOfLinks;
    *error = ERROR_SUCCESS;
    return true;
}

bool DeleteRelative(HANDLE folder, const std::wstring& name, DWORD* error) {
    RelativeOpen how;
    how.access = DELETE | FILE_READ_ATTRIBUTES;
    how.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    how.options = FILE_OPEN_FOR_BACKUP_INTENT;  // a folder (or a link to one) opens too
    ScopedHandle file = OpenRelative(folder, name, how, error);
    if (!file.valid()) {
        return *error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND;
    }
    if (!DeleteOpened(file.get(), error)) {
        return false;
    }
    file.reset();
    // The name goes when the last handle is closed; Wine removes it by the path it was opened
    // by, and not at all when that path now leads elsewhere. Only a name no longer listed in the
    // held folder is gone.
    std::vector<FolderEntry> left;
    if (!ListFolder(folder, &left, error, name)) {
        return false;
    }
    if (!left.empty()) {
        *error = ERROR_FILE_EXISTS;
        return false;
    }
    return true;
}

bool ListFolder(HANDLE folder, std::vector<FolderEntry>* entries, DWORD* error,
                const std::wstring& name) {
    entries->clear();
    RelativeOpen how;
    how.access = FILE_LIST_DIRECTORY;
    how.share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    how.options = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;
    // A handle of its own: a listing keeps its place in the handle it reads.
    ScopedHandle listing = OpenRelative(folder, std::wstring(), how, error);
    if (!listing.valid()) {
        return false;
    }
    if (!name.empty() && !IsPlainName(name)) {
        *error = ERROR_INVALID_NAME;
        return false;
    }
    UNICODE_STRING mask = Counted(name);
    std::vector<ULONGLONG> buffer(8192);  // aligned as the entries need
    for (bool first = true;; first = false) {
        IO_STATUS_BLOCK status = {};
        const NTSTATUS result = Native().queryDirectory(
            listing.get(), nullptr, nullptr, nullptr, &status, buffer.data(),
            static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)), FileDirectoryInformation, FALSE,
            first && !name.empty() ? &mask : nullptr, first);
        if (result == kNoMoreFiles || (first && (result == kNoSuchFile || result == kNameNotFound ||
                                                 result == kPathNotFound))) {
            *error = ERROR_SUCCESS;
            return true;
        }
        if (result < 0) {
            *error = Win32Error(result);
            return false;
        }
        const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            const FILE_DIRECTORY_INFORMATION* entry =
                reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at);
            FolderEntry found;
            found.name.assign(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            found.attributes = entry->FileAttributes;
            if (found.name != L"." && found.name != L"..") {
                entries->push_back(found);
            }
            if (entry->NextEntryOffset == 0) {
                break;
            }
            at += entry->NextEntryOffset;
        }
    }
}

bool DeleteTreeRelative(HANDLE folder, const std::wstring& name, DWORD* error, int depth) {
    std::vector<FolderEntry> found;
    if (!ListFolder(folder, &found, error, name)) {
        return false;
    }
    if (found.empty()) {
        return true;
    }
    const DWORD attributes = found[0].attributes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (depth <= 0) {
            *error = ERROR_BUFFER_OVERFLOW;
            return false;
        }
        RelativeOpen how;
        how.access = FILE_READ_ATTRIBUTES;
        how.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        how.options = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;
        ScopedHandle inner = OpenRelative(folder, name, how, error);
        std::vector<FolderEntry> entries;
        if (!inner.valid() || !ListFolder(inner.get(), &entries, error)) {
            return false;
        }
        for (const FolderEntry& entry : entries) {
            if (!DeleteTreeRelative(inner.get(), entry.name, error, depth - 1)) {
                return false;
            }
        }
    }
    return DeleteRelative(folder, name, error);
}
