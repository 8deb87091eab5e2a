#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <string>
#include <thread>

#include "app/process_token.h"
#include "app/system_library.h"
#include "tests/support/limited_thread.h"

namespace {

const wchar_t kName[] = L"Global\\VelmoraInstaller.test-single-instance";
const wchar_t kSession[] = L"Local\\VelmoraInstaller.test-single-instance";

// Runs `body` on a thread of its own and waits for it: a mutex is owned per thread, so a second
// holder has to live on another thread to see the first.
template <class F>
void OnOtherThread(F body) {
    std::thread(body).join();
}

TEST(SingleInstance, SecondCopyWaitsForTheFirstAndThenOwnsTheLock) {
    auto first = std::make_unique<SingleInstance>(kName, kSession);
    ASSERT_TRUE(first->owned());
    OnOtherThread([] {
        SingleInstance second(kName, kSession);
        EXPECT_FALSE(second.owned());
        EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), second.error());
        EXPECT_FALSE(second.WaitForOwnership(100));
    });
    first.reset();
    OnOtherThread([] {
        SingleInstance second(kName, kSession);
        EXPECT_TRUE(second.owned());
    });
}

TEST(SingleInstance, LockOfACopyThatEndedWithoutReleasingIsTakenOver) {
    // A copy ended by exit(0) or a crash leaves the mutex abandoned, not released.
    HANDLE holder = nullptr;
    OnOtherThread([&] { holder = CreateMutexW(nullptr, TRUE, kName); });
    ASSERT_NE(nullptr, holder);
    SingleInstance mine(kName, kSession);
    EXPECT_TRUE(mine.owned());
    CloseHandle(holder);
}

// The descriptor of a kernel object as SDDL (owner and DACL).
std::wstring Sddl(HANDLE object) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return L"unreadable";
    }
    wchar_t* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text,
        nullptr);
    std::wstring result = text ? text : L"";
    LocalFree(text);
    LocalFree(descriptor);
    return result;
}

TEST(SingleInstance, MachineLockBelongsToAdministratorsAndMarksItsSession) {
    ASSERT_TRUE(TokenIsAdministrator());  // Wine's user, as an elevated administrator
    SingleInstance lock(kName, kSession);
    ASSERT_TRUE(lock.owned());
    EXPECT_EQ(SingleInstance::Scope::Machine, lock.scope());
    // Owner Administrators, only Administrators and SYSTEM admitted, nothing inherited.
    HANDLE opened = OpenMutexW(READ_CONTROL, FALSE, kName);
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(L"O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)", Sddl(opened));
    CloseHandle(opened);
    OnOtherThread([] {
        SingleInstance second(kName, kSession);
        EXPECT_FALSE(second.owned());
        EXPECT_TRUE(second.heldByInstaller());
        EXPECT_TRUE(second.holderInThisSession());
    });
}

// Another process's copy: a thread that creates and owns the mutex until it is let go (a
// thread that ends leaves the mutex abandoned, which the next copy may take).
class Holder {
public:
    explicit Holder(const wchar_t* sddl) {
        thread_ = std::thread([this, sddl] {
            PSECURITY_DESCRIPTOR descriptor = nullptr;
            SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
            if (sddl && ConvertStringSecurityDescriptorToSecurityDescriptorW(
                            sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
                attributes.lpSecurityDescriptor = descriptor;
            }
            HANDLE mutex = CreateMutexW(&attributes, TRUE, kName);
            LocalFree(descriptor);
            held_ = mutex != nullptr;
            SetEvent(ready_);
            WaitForSingleObject(release_, INFINITE);
            if (mutex) {
                ReleaseMutex(mutex);
                CloseHandle(mutex);
            }
        });
        WaitForSingleObject(ready_, INFINITE);
    }
    ~Holder() {
        SetEvent(release_);
        thread_.join();
        CloseHandle(ready_);
        CloseHandle(release_);
    }
    bool held() const { return held_; }

private:
    HANDLE ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool held_ = false;
    std::thread thread_;
};

TEST(SingleInstance, InstallerInAnotherSessionAndSquattersAreToldApart) {
    {
        // An installer of another session: the machine's lock with its descriptor, and no
        // marker in this session.
        Holder other(kInstallerMutexSddl);
        ASSERT_TRUE(other.held());
        SingleInstance second(kName, kSession);
        EXPECT_FALSE(second.owned());
        EXPECT_TRUE(second.heldByInstaller());
        EXPECT_FALSE(second.holderInThisSession());
    }
    {
        // A user's process squatting on the name: its own owner, not an installer's.
        Holder squat(nullptr);
        ASSERT_TRUE(squat.held());
        SingleInstance second(kName, kSession);
        EXPECT_FALSE(second.owned());
        EXPECT_FALSE(second.heldByInstaller());
    }
    SingleInstance free(kName, kSession);
    EXPECT_TRUE(free.owned());
}

TEST(SingleInstance, ALimitedTokenKeepsTheSessionLock) {
    // A limited XP user: this thread impersonates the process token with Administrators
    // disabled.
    OnOtherThread([] {
        LimitedThread limited;
        ASSERT_TRUE(limited.active());
        EXPECT_FALSE(TokenIsAdministrator());
        {
            SingleInstance lock(kName, kSession);
            EXPECT_TRUE(lock.owned());
            EXPECT_EQ(SingleInstance::Scope::Session, lock.scope());
            HANDLE machine = OpenMutexW(SYNCHRONIZE, FALSE, kName);
            EXPECT_EQ(nullptr, machine);  // no machine lock was made
            HANDLE session = OpenMutexW(SYNCHRONIZE, FALSE, kSession);
            EXPECT_NE(nullptr, session);
            CloseHandle(machine);
            CloseHandle(session);
        }
    });
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
