#pragma once
// Shared set-up of the downloader tests: a clean server state, a private folder, short waits,
// and helpers to run a downloader until it finishes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "download/curl_easy.h"
#include "download/md5.h"
#include "download/tiny_download.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

inline DownloadWork MakeWork(const std::string& url, const std::string& savePath,
                             const std::string& md5) {
    DownloadWork work;
    std::memset(&work, 0, sizeof work);
    std::strncpy(work.url, url.c_str(), sizeof work.url - 1);
    std::strncpy(work.savePath, savePath.c_str(), sizeof work.savePath - 1);
    std::strncpy(work.md5, md5.c_str(), sizeof work.md5 - 1);
    return work;
}

// Short waits so fault scenarios finish quickly.
inline DownloadTiming FastTiming() {
    DownloadTiming t;
    t.stallMs = 1500;
    t.firstRetryDelayMs = 50;
    t.maxRetryDelayMs = 400;
    return t;
}

// Polls until the condition holds; false after the bound (a hang guard, not a speed check).
inline bool WaitFor(const std::function<bool()>& condition, DWORD boundMs = 120000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > boundMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

// The bytes of a package as the server serves them.
inline std::string FetchPackage(const std::string& path) {
    return TestServer::Fetch(path);
}

class DownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty()) << "no test server";
        TestServer::Reset();
        dir_.reset(new TempDir(std::string("dl_") +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }
    void TearDown() override { dir_.reset(); }

    std::unique_ptr<CTinyDownload> NewDownloader(const DownloadWork& work) {
        std::unique_ptr<CTinyDownload> d(new CTinyDownload);
        d->SetTiming(FastTiming());
        d->AddDownloadWork(work);
        return d;
    }

    // Starts the worker and waits for FINISHED.
    void RunToEnd(CTinyDownload& d) {
        ASSERT_EQ(0, d.StartDownloadThread());
        ASSERT_TRUE(WaitFor([&] { return d.IsFinished(); })) << log_.dump();
    }

    std::string Folder() const { return dir_->path(); }
    std::string File(const std::string& name) const { return dir_->file(name); }
    std::string Sidecar(const std::string& name) const { return dir_->file(name) + ".cfg"; }

    // Writes a sidecar the way the downloader does (text mode).
    void WriteSidecar(const std::string& name, const std::string& etag) {
        std::FILE* f = std::fopen(Sidecar(name).c_str(), "w");
        ASSERT_NE(nullptr, f);
        std::fwrite(etag.data(), 1, etag.size(), f);
        std::fclose(f);
    }
    std::string ReadSidecarText(const std::string& name) {
        std::string text;
        if (std::FILE* f = std::fopen(Sidecar(name).c_str(), "r")) {
            char buf[4096];
            size_t got;
            while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
                text.append(buf, got);
            }
            std::fclose(f);
        }
        return text;
    }

    LogCapture log_;
    std::unique_ptr<TempDir> dir_;
};
