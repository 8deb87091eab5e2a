// The install's state record: the changes each stage allows, the ones it refuses (with nothing
// changed), and a waiter woken by a change made on another thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <process.h>

#include "app/scoped_handles.h"
#include "installer/install_state.h"
#include "tests/support/log_capture.h"

namespace {
DownloadNote Note(uint64_t bytes, int checksumFailures, bool proxyRefused) {
    DownloadNote note;
    note.bytesWritten = bytes;
    note.checksumFailuresInARow = checksumFailures;
    note.proxyRefused = proxyRefused;
    return note;
}

InstallState* Downloading(InstallState& state) {
    EXPECT_TRUE(state.StartDownload());
    return &state;
}

InstallState* Installing(InstallState& state) {
    Downloading(state);
    EXPECT_TRUE(state.StartInstalling());
    return &state;
}

// Every change that can be asked for, so that each stage can be tried against all of them.
struct Change {
    const char* name;
    bool (*apply)(InstallState&);
};
const Change kChanges[] = {
    {"start the download", [](InstallState& s) { return s.StartDownload(); }},
    {"pause", [](InstallState& s) { return s.SetPaused(true); }},
    {"note the download", [](InstallState& s) { return s.NoteDownload(Note(7, 1, false)); }},
    {"start installing", [](InstallState& s) { return s.StartInstalling(); }},
    {"abandon", [](InstallState& s) { return s.Abandon(); }},
    {"end the download without a package",
     [](InstallState& s) { return s.EndDownloadWithout(PackageOutcome::Refused); }},
    {"start the package", [](InstallState& s) { return s.SetPackageRunning(true); }},
    {"record the package's outcome",
     [](InstallState& s) { return s.SetOutcome(PackageOutcome::Succeeded, 0); }},
    {"finish", [](InstallState& s) { return s.Finish(); }},
};

// The changes a stage refuses, leaving the record as it was and saying so in the log.
void ExpectOnlyAllowed(InstallState& state, const char* stage,
                       std::initializer_list<const char*> allowed) {
    for (const Change& change : kChanges) {
        bool isAllowed = false;
        for (const char* name : allowed) {
            isAllowed = isAllowed || std::string(name) == change.name;
        }
        if (isAllowed) {
            continue;
        }
        LogCapture log;
        const InstallSnapshot before = state.Read();
        EXPECT_FALSE(change.apply(state)) << change.name << " while " << stage;
        const InstallSnapshot after = state.Read();
        EXPECT_EQ(before.version, after.version) << change.name << " while " << stage;
        EXPECT_EQ(before.stage, after.stage);
        EXPECT_EQ(before.outcome, after.outcome);
        EXPECT_EQ(1,
                  log.countExact(std::string("refused: ") + change.name + " while " + stage, "W/"))
            << log.dump();
    }
}
}  // namespace

TEST(InstallState, EachStageAllowsOnlyItsOwnChanges) {
    InstallState ready;
    EXPECT_EQ(InstallStage::Ready, ready.stage());
    ExpectOnlyAllowed(ready, "ready", {"start the download"});

    InstallState downloading;
    Downloading(downloading);
    ExpectOnlyAllowed(downloading, "downloading",
                      {"pause", "note the download", "start installing", "abandon",
                       "end the download without a package"});

    // Before its outcome the package may start and end; nothing finishes yet.
    InstallState installing;
    Installing(installing);
    ExpectOnlyAllowed(installing, "installing",
                      {"start the package", "record the package's outcome"});

    // An outcome is recorded once: a second one, or the package starting again, is refused.
    EXPECT_TRUE(installing.SetOutcome(PackageOutcome::Failed, 5));
    ExpectOnlyAllowed(installing, "installing", {"finish"});
    EXPECT_EQ(PackageOutcome::Failed, installing.Read().outcome);

    EXPECT_TRUE(installing.Finish());
    ExpectOnlyAllowed(installing, "finished", {});

    // A job the window gave up takes no further change: its progress thread only leaves.
    InstallState abandoned;
    Downloading(abandoned);
    EXPECT_TRUE(abandoned.Abandon());
    ExpectOnlyAllowed(abandoned, "abandoned", {});

    // Damaged downloads end the job as refused, without an install stage.
    InstallState refused;
    Downloading(refused);
    EXPECT_TRUE(refused.EndDownloadWithout(PackageOutcome::Refused));
    const InstallSnapshot end = refused.Read();
    EXPECT_EQ(InstallStage::Finished, end.stage);
    EXPECT_EQ(PackageOutcome::Refused, end.outcome);
    EXPECT_FALSE(end.succeeded());
    ExpectOnlyAllowed(refused, "finished", {});
}

TEST(InstallState, ThePauseBelongsToTheDownloadAndEndsWithIt) {
    InstallState state;
    Downloading(state);
    const unsigned start = state.Read().version;
    EXPECT_TRUE(state.SetPaused(true));
    EXPECT_TRUE(state.paused());
    // Asking again is no change: a waiter is not woken for it.
    EXPECT_TRUE(state.SetPaused(true));
    EXPECT_EQ(start + 1, state.Read().version);
    EXPECT_TRUE(state.SetPaused(false));
    EXPECT_FALSE(state.paused());

    // A download paused when it completed does not stay paused into the install.
    EXPECT_TRUE(state.SetPaused(true));
    EXPECT_TRUE(state.StartInstalling());
    EXPECT_FALSE(state.paused());
    LogCapture log;
    EXPECT_FALSE(state.SetPaused(false));
    EXPECT_EQ(1, log.countExact("refused: resume while installing", "W/"));
}

TEST(InstallState, TheOutcomeCarriesTheRestartCodesAsSuccess) {
    for (DWORD code : {DWORD(3010), DWORD(1641)}) {
        InstallState state;
        Installing(state);
        EXPECT_TRUE(state.SetPackageRunning(true));
        EXPECT_TRUE(state.Read().packageRunning);
        EXPECT_FALSE(state.packageReturned());
        EXPECT_TRUE(state.SetOutcome(PackageOutcome::SucceededRestartNeeded, code));
        const InstallSnapshot seen = state.Read();
        EXPECT_TRUE(seen.packageReturned);
        EXPECT_FALSE(seen.packageRunning);  // a returned package no longer runs
        EXPECT_TRUE(seen.succeeded());
        EXPECT_EQ(code, seen.packageExitCode);
    }
    for (PackageOutcome outcome :
         {PackageOutcome::NotRun, PackageOutcome::Refused, PackageOutcome::Failed}) {
        InstallState state;
        Installing(state);
        EXPECT_TRUE(state.SetOutcome(outcome, 0));
        EXPECT_FALSE(state.succeeded());
    }
}

TEST(InstallState, TheDownloadNoteWakesAWaiterOnlyWhenItChanged) {
    InstallState state;
    Downloading(state);
    EXPECT_TRUE(state.NoteDownload(Note(100, 0, false)));
    const unsigned seen = state.Read().version;
    EXPECT_TRUE(state.NoteDownload(Note(100, 0, false)));
    EXPECT_EQ(seen, state.Read().version);
    // Nothing changed: the wait runs out and returns the same state.
    EXPECT_EQ(seen, state.WaitForChange(seen, 0).version);
    EXPECT_TRUE(state.NoteDownload(Note(100, 1, false)));
    InstallSnapshot next = state.WaitForChange(seen, INFINITE);
    EXPECT_EQ(1, next.download.checksumFailuresInARow);
    EXPECT_TRUE(state.NoteDownload(Note(100, 1, true)));
    next = state.WaitForChange(next.version, INFINITE);
    EXPECT_TRUE(next.download.proxyRefused);
    // A disk shortage appearing is a change too.
    DownloadNote full = next.download;
    full.diskShortage.active = true;
    full.diskShortage.volume = "C:\\";
    EXPECT_TRUE(state.NoteDownload(full));
    next = state.WaitForChange(next.version, INFINITE);
    EXPECT_TRUE(next.download.diskShortage.active);
}

namespace {
unsigned __stdcall FinishLater(void* argument) {
    auto* state = static_cast<InstallState*>(argument);
    Sleep(50);
    state->SetOutcome(PackageOutcome::Succeeded, 0);
    state->Finish();
    return 0;
}
}  // namespace

TEST(InstallState, AWaiterSeesTheChangeAnotherThreadMakes) {
    InstallState state;
    Installing(state);
    InstallSnapshot seen = state.Read();
    ScopedHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &FinishLater, &state, 0, nullptr)));
    ASSERT_TRUE(thread.valid());
    // Without a time limit: the wait must end by the other thread's changes alone.
    while (seen.stage != InstallStage::Finished) {
        seen = state.WaitForChange(seen.version, INFINITE);
    }
    EXPECT_EQ(PackageOutcome::Succeeded, seen.outcome);
    WaitForSingleObject(thread.get(), INFINITE);
}
