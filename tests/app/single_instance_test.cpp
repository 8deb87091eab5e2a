#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "app/system_library.h"

namespace {

const wchar_t kName[] = L"Local\\VelmoraInstaller.test-single-instance";

// Runs `body` on a thread of its own and waits for it: a mutex is owned per thread, so a second
// holder has to live on another thread to see the first.
template <class F>
void OnOtherThread(F body) {
    std::thread(body).join();
}

TEST(SingleInstance, SecondCopyWaitsForTheFirstAndThenOwnsTheLock) {
    auto first = std::make_unique<SingleInstance>(kName);
    ASSERT_TRUE(first->owned());
    OnOtherThread([] {
        SingleInstance second(kName);
        EXPECT_FALSE(second.owned());
        EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), second.error());
        EXPECT_FALSE(second.WaitForOwnership(100));
    });
    first.reset();
    OnOtherThread([] {
        SingleInstance second(kName);
        EXPECT_TRUE(second.owned());
    });
}

TEST(SingleInstance, LockOfACopyThatEndedWithoutReleasingIsTakenOver) {
    // A copy ended by exit(0) or a crash leaves the mutex abandoned, not released.
    HANDLE holder = nullptr;
    OnOtherThread([&] { holder = CreateMutexW(nullptr, TRUE, kName); });
    ASSERT_NE(nullptr, holder);
    SingleInstance mine(kName);
    EXPECT_TRUE(mine.owned());
    CloseHandle(holder);
}

TEST(LoadSystemLibrary, LoadsFromTheSystemFolderAndRefusesPaths) {
    HMODULE kernel = LoadSystemLibrary(L"kernel32.dll");
    ASSERT_NE(nullptr, kernel);
    EXPECT_EQ(GetModuleHandleW(L"kernel32.dll"), kernel);
    FreeLibrary(kernel);
    EXPECT_EQ(nullptr, LoadSystemLibrary(L"..\\kernel32.dll"));
    EXPECT_EQ(nullptr, LoadSystemLibrary(L"C:kernel32.dll"));
    EXPECT_EQ(nullptr, LoadSystemLibrary(L""));
    EXPECT_EQ(nullptr, LoadSystemLibrary(L"no-such-library-here.dll"));
}

}  // namespace
