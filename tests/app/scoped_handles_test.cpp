#include "app/scoped_handles.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Handles are small numbers; -1 is "none", like INVALID_HANDLE_VALUE; every close is recorded.
std::vector<int>& Closed() {
    static std::vector<int> closed;
    return closed;
}

struct CountingTraits {
    using Handle = int;
    static Handle None() { return -1; }
    static bool IsValid(Handle h) { return h != -1; }
    static void Close(Handle h) { Closed().push_back(h); }
};
using Counted = ScopedResource<CountingTraits>;

bool IsOpenKernelHandle(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != 0;
}

}  // namespace

TEST(ScopedResource, ClosesEachHandleOnceAndMoveLeavesTheSourceEmpty) {
    Closed().clear();
    {
        Counted first(7);
        Counted moved(std::move(first));
        EXPECT_FALSE(first.valid());
        EXPECT_EQ(-1, first.get());
        EXPECT_EQ(7, moved.get());

        Counted assigned(8);
        assigned = std::move(moved);  // 8 closed, 7 taken over
        EXPECT_FALSE(moved.valid());
        EXPECT_EQ(std::vector<int>({8}), Closed());

        assigned.reset(9);  // 7 closed
        EXPECT_EQ(9, assigned.get());
        EXPECT_EQ(9, assigned.release());  // given away: never closed by us
        EXPECT_FALSE(assigned);

        Counted slot(10);
        *slot.put() = 11;  // 10 closed before the slot is handed out
        Counted none;
        none.reset();  // nothing to close
    }
    EXPECT_EQ(std::vector<int>({8, 7, 10, 11}), Closed());
}

TEST(ScopedResource, KernelHandlesTakeNullAndInvalidHandleValueAsNone) {
    EXPECT_FALSE(ScopedHandle().valid());
    EXPECT_FALSE(ScopedHandle(INVALID_HANDLE_VALUE).valid());
    EXPECT_FALSE(ScopedFindHandle().valid());
    EXPECT_EQ(INVALID_HANDLE_VALUE, ScopedFindHandle().get());
    EXPECT_FALSE(ScopedFindHandle(nullptr).valid());

    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, event);
    {
        ScopedHandle owner(event);
        ScopedHandle other(std::move(owner));
        EXPECT_TRUE(IsOpenKernelHandle(event));
    }
    EXPECT_FALSE(IsOpenKernelHandle(event));

    // A file CreateFile could not open is INVALID_HANDLE_VALUE: nothing is closed.
    ScopedHandle missing(CreateFileW(L"C:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing.valid());
}
