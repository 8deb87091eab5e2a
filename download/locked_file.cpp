#include "download/locked_file.h"

#include <fcntl.h>
#include <io.h>

#include <memory>

#include "app/log.h"
#include "download/md5.h"

bool IsFileOfItsOwn(HANDLE file, bool written) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(file, &info) &&
           (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
               0 &&
           (!written || info.nNumberOfLinks == 1);
}

ScopedFile OpenTextFileNoFollow(const std::string& path, bool write) {
    ScopedHandle file;
    for (int attempt = 0;; ++attempt) {
        file.reset(CreateFileA(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                               FILE_SHARE_READ, nullptr, write ? OPEN_ALWAYS : OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.valid()) {
            return ScopedFile();
        }
        if (IsFileOfItsOwn(file.get(), write)) {
            break;
        }
        file.reset();
        // A file that is written gets a name of its own again: the link goes, not its target.
        if (!write || attempt > 0 || !DeleteFileA(path.c_str())) {
            SetLastError(ERROR_CANT_ACCESS_FILE);
            return ScopedFile();
        }
    }
    if (write && !SetEndOfFile(file.get())) {
        return ScopedFile();
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()),
                                   (write ? _O_RDWR : _O_RDONLY) | _O_TEXT);
    if (fd < 0) {
        return ScopedFile();
    }
    file.release();  // the descriptor owns it now
    ScopedFile stream(_fdopen(fd, write ? "w+" : "r"));
    if (!stream) {
        _close(fd);
    }
    return stream;
}

ScopedHandle OpenFileLocked(const std::string& path, const char* tag) {
    ScopedHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        LogE(tag, "cannot open ", path,
             " for checking, code=", static_cast<unsigned long>(GetLastError()));
    } else if (!IsFileOfItsOwn(file.get(), false)) {
        LogE(tag, path, " is a link, not a file of its own: not checked");
        file.reset();
    }
    return file;
}

std::string HandleMD5(HANDLE file) {
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        return std::string();
    }
    // Large reads: under Wine every read call is a server round trip.
    const DWORD kChunk = 1 << 20;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
    Md5Context ctx;
    Md5Init(ctx);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.get(), kChunk, &got, nullptr)) {
            return std::string();
        }
        if (got == 0) {
            break;
        }
        Md5Update(ctx, buffer.get(), got);
    }
    unsigned char digest[16];
    Md5Final(ctx, digest);
    return Md5Hex(digest);
}

namespace {
bool FileIdentity(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    return GetFileInformationByHandle(file, info) != 0;
}
}  // namespace

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!FileIdentity(a, &ia) || !FileIdentity(b, &ib)) {
        return false;
    }
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool HandleNamesPath(HANDLE file, const std::wstring& path) {
    // No access asked: this open conflicts with no share mode, also not with the held one.
    // The name itself, not what it may point to: that is what a later open by path finds.
    ScopedHandle other(CreateFileW(path.c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return other.valid() && SameFile(file, other.get());
}

namespace {
// An image view of a file, unmapped on destruction.
class ImageView {
public:
    explicit ImageView(HANDLE file)
        : mapping_(CreateFileMappingW(file, nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr)),
          view_(mapping_.valid() ? MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0)
                                 : nullptr) {}
    ~ImageView() {
        if (view_) {
            UnmapViewOfFile(view_);
        }
    }
    ImageView(const ImageView&) = delete;
    ImageView& operator=(const ImageView&) = delete;
    bool mapped() const { return view_ != nullptr; }

private:
    ScopedHandle mapping_;
    void* view_;
};
}  // namespace

ScopedHandle HoldWrittenFile(ScopedHandle written, const std::string& path, uint64_t length,
                             const char* tag, bool* readAgain) {
    *readAgain = true;
    BY_HANDLE_FILE_INFORMATION before;
    if (!FileIdentity(written.get(), &before)) {
        LogE(tag, "cannot identify ", path, ", code=", static_cast<unsigned long>(GetLastError()));
        return ScopedHandle();
    }
    // The read-only handle cannot be opened while one with write access is open, and a program
    // cannot be started from the file either: the write handle has to go. A mapped image keeps
    // every writer out in between (opening for writing fails while it is mapped); appending
    // or replacing the file is seen in its length and identity afterwards.
    ImageView image(written.get());
    written.reset();
    ScopedHandle held = OpenFileLocked(path, tag);
    if (!held.valid()) {
        return held;
    }
    BY_HANDLE_FILE_INFORMATION after;
    LARGE_INTEGER size;
    if (!FileIdentity(held.get(), &after) || !GetFileSizeEx(held.get(), &size) ||
        after.dwVolumeSerialNumber != before.dwVolumeSerialNumber ||
        after.nFileIndexHigh != before.nFileIndexHigh ||
        after.nFileIndexLow != before.nFileIndexLow) {
        LogE(tag, path, " is no longer the file that was written");
        return ScopedHandle();
    }
    if (static_cast<uint64_t>(size.QuadPart) != length) {
        LogE(tag, path, " changed its length from ", length, " to ", size.QuadPart,
             " while it was handed over");
        return ScopedHandle();
    }
    *readAgain = !image.mapped();
    return held;
}
