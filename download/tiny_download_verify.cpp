// The downloader's final check and hand-over of verified files: the checksum compared with the
// digest of the bytes written (or, for a file found complete, read once through a handle that
// lets others only read), and that handle kept open for whoever runs the file. Also the items
// given as texts of any length.
#include <cstring>

#include "app/log.h"
#include "download/locked_file.h"
#include "download/tiny_download.h"
#include "download/tiny_download_state.h"

namespace {
const char kTag[] = "CTinyDownload";

std::string ToLower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

template <size_t N>
bool Fits(const char (&)[N], const std::string& text) {
    return text.size() < N && text.find('\0') == std::string::npos;
}
}  // namespace

bool CTinyDownload::AddDownloadWork(const std::string& url, const std::string& savePath,
                                    const std::string& md5) {
    DownloadWork work;
    std::memset(&work, 0, sizeof work);
    if (!Fits(work.url, url) || !Fits(work.savePath, savePath) || !Fits(work.md5, md5)) {
        LogT(kTag, "AddDownloadWork()");
        LogE(kTag, "AddDownloadWork: url, path or md5 longer than its field, item not added");
        return false;
    }
    std::memcpy(work.url, url.c_str(), url.size() + 1);
    std::memcpy(work.savePath, savePath.c_str(), savePath.size() + 1);
    std::memcpy(work.md5, md5.c_str(), md5.size() + 1);
    const int before = m_workCount;
    AddDownloadWork(work);
    return m_workCount > before;
}

bool CTinyDownload::VerifyAndHold(int index, const std::string& path) {
    ScopedHandle file = OpenFileLocked(path, "MD5");
    if (!CheckMd5(file.valid() ? HandleMD5(file.get()) : std::string())) {
        return false;
    }
    AutoLock lock(m_lock);
    m_verified[index] = std::move(file);
    return true;
}

bool CTinyDownload::CheckMd5(const std::string& local) {
    std::string expected;
    {
        AutoLock lock(m_lock);
        expected = ToLower(m_info.md5);
    }
    LogI(kTag, "local md5=", local, ", server md5=", expected);
    return local == expected;
}

bool CTinyDownload::VerifyTransferred(int index, PackageFile* data, uint64_t length) {
    // Every byte of the file went through the digest on its way in (those already there were
    // read once when the file was opened), and nobody else could write meanwhile.
    LogT(kTag, "md5 of the bytes as written");
    const std::string written = data->Digest();
    if (!CheckMd5(written)) {
        data->Close();
        return false;
    }
    bool readAgain = false;
    ScopedHandle held =
        HoldWrittenFile(data->Release(), m_works[index].savePath, length, kTag, &readAgain);
    if (!held.valid()) {
        return false;
    }
    if (readAgain) {
        // Between the write handle and this one the file was not protected: its bytes count
        // only as read through the handle that holds it now.
        LogT(kTag, "read again through the held handle: no program to map");
        const std::string read = HandleMD5(held.get());
        if (read != written) {
            LogE(kTag, m_works[index].savePath, " changed while it was handed over: md5 ", read);
            return false;
        }
    }
    AutoLock lock(m_lock);
    m_verified[index] = std::move(held);
    return true;
}

ScopedHandle CTinyDownload::TakeVerifiedFile(int index) {
    if (index < 0 || index >= kMaxWorks) {
        return ScopedHandle();
    }
    AutoLock lock(m_lock);
    return std::move(m_verified[index]);
}
