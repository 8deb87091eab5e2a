#pragma once
// The owner template of every handle kind (see app/scoped_handles.h for the kinds the installer
// holds) and the kernel handle's kind. Needs nothing but <windows.h>, so that the UI framework,
// which uses nothing else of ours, can own its handles the same way.
#include <windows.h>

// Traits: typedef Handle; static Handle None(); static bool IsValid(Handle); static void
// Close(Handle) (called for valid handles only).
template <typename Traits>
class ScopedResource {
public:
    using Handle = typename Traits::Handle;

    ScopedResource() = default;
    explicit ScopedResource(Handle h) : handle_(h) {}
    ~ScopedResource() { reset(); }
    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;
    ScopedResource(ScopedResource&& other) noexcept : handle_(other.release()) {}
    ScopedResource& operator=(ScopedResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return valid(); }
    // For pointer handles (COM interfaces): the object itself.
    Handle operator->() const { return handle_; }

    // Gives up ownership without closing.
    Handle release() {
        Handle h = handle_;
        handle_ = Traits::None();
        return h;
    }
    // Closes the current handle (if any) and takes h.
    void reset(Handle h = Traits::None()) {
        if (Traits::IsValid(handle_)) {
            Traits::Close(handle_);
        }
        handle_ = h;
    }
    // Closes the current handle and gives the slot to an out-parameter.
    Handle* put() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::None();
};

// Handles whose only "none" value is null (or zero).
template <typename H>
struct NullIsNone {
    using Handle = H;
    static Handle None() { return Handle(); }
    static bool IsValid(Handle h) { return h != Handle(); }
};

// Kernel handles: CreateFile answers INVALID_HANDLE_VALUE, most others null; both mean "none".
struct KernelHandleTraits : NullIsNone<HANDLE> {
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};

using ScopedHandle = ScopedResource<KernelHandleTraits>;
