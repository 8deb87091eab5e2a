#include "report/report_queue.h"

#include <process.h>

#include <deque>
#include <exception>
#include <utility>

#include "app/log.h"
#include "app/scoped_handles.h"

namespace {

class ReportQueue {
public:
    ReportQueue()
        : wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
          released_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

    // Returns false when the task could not be handed to a sender thread.
    bool Post(ReportTask& task) {
        AutoLock lock(lock_);
        if (!StartLocked()) {
            return false;
        }
        tasks_.push_back(std::move(task));
        ResetEvent(idle_.get());
        SetEvent(wake_.get());
        return true;
    }

    bool Wait(DWORD timeoutMs) {
        Release();
        return WaitForSingleObject(idle_.get(), timeoutMs) == WAIT_OBJECT_0;
    }

    void Hold() { ResetEvent(released_.get()); }
    void Release() { SetEvent(released_.get()); }

private:
    bool StartLocked() {
        if (started_) {
            return true;
        }
        if (!wake_.valid() || !idle_.valid() || !released_.valid()) {
            return false;
        }
        ScopedHandle thread(
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadEntry, this, 0, nullptr)));
        if (!thread.valid()) {
            LogE("Report", "report thread start failed");
            return false;
        }
        // Background work: the window and the download come first.
        SetThreadPriority(thread.get(), THREAD_PRIORITY_BELOW_NORMAL);
        started_ = true;
        return true;
    }

    static unsigned __stdcall ThreadEntry(void* self) {
        static_cast<ReportQueue*>(self)->Run();
        return 0;
    }

    void Run() {
        for (;;) {
            WaitForSingleObject(wake_.get(), INFINITE);
            WaitForSingleObject(released_.get(), kMaxReportHoldMs);
            for (;;) {
                ReportTask task;
                {
                    AutoLock lock(lock_);
                    if (tasks_.empty()) {
                        SetEvent(idle_.get());
                        break;
                    }
                    task = std::move(tasks_.front());
                    tasks_.pop_front();
                }
                try {
                    task();
                } catch (const std::exception& e) {
                    LogE("Report", "report not sent: ", e.what());
                }
            }
        }
    }

    CriticalSection lock_;
    std::deque<ReportTask> tasks_;
    ScopedHandle wake_;      // auto-reset: something was queued
    ScopedHandle idle_;      // manual-reset: nothing queued and nothing being sent
    ScopedHandle released_;  // manual-reset: reports are not held back
    bool started_ = false;
};

// Created on first use and never destroyed: the sender thread may still be waiting for a
// host when the process ends, and must never find its queue freed under it.
ReportQueue& Queue() {
    static ReportQueue* queue = new ReportQueue;
    return *queue;
}

}  // namespace

void QueueReport(ReportTask task) {
    if (!Queue().Post(task)) {
        task();
    }
}

bool WaitForQueuedReports(DWORD timeoutMs) {
    return Queue().Wait(timeoutMs);
}

void HoldReports() {
    Queue().Hold();
}

void ReleaseReports() {
    Queue().Release();
}
