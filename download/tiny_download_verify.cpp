// The downloader's hand-over of verified files: items given as texts of any length, and the
// final checksum check read through a handle that is kept open for whoever runs the file.
#include <cstring>

#include "app/log.h"
#include "download/locked_file.h"
#include "download/tiny_download.h"

namespace {
const char kTag[] = "CTinyDownload";

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

ScopedHandle CTinyDownload::TakeVerifiedFile(int index) {
    if (index < 0 || index >= kMaxWorks) {
        return ScopedHandle();
    }
    AutoLock lock(m_lock);
    return std::move(m_verified[index]);
}
