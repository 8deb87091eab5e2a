#pragma once
// The one background sender of usage reports. Whoever raises a report only queues it: the
// probes and the HTTP request run on the sender thread, one report after the other in the
// order they were queued, so neither the window nor the download is ever held up by a slow
// or silent reporting host.
#include <windows.h>

#include <functional>

using ReportTask = std::function<void()>;

// Queues a report's work for the sender thread (started on first use). Never waits for the
// network. Should no thread be available, the work runs here and now instead.
void QueueReport(ReportTask task);

// Waits at most timeoutMs until everything queued so far has been sent (or has failed).
// True when nothing is left; false when the time ran out first. Releases held reports.
bool WaitForQueuedReports(DWORD timeoutMs);

// The report thread's probes (Direct3D above all) compete with a window that is being shown
// for the processor and the display. While held, queued reports wait until ReleaseReports(),
// and never longer than kMaxReportHoldMs; order and moments are unchanged.
constexpr DWORD kMaxReportHoldMs = 1000;
void HoldReports();
void ReleaseReports();
