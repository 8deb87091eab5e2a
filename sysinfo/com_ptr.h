#pragma once
// Owners of COM resources: an interface pointer (released when replaced or destroyed), a
// VARIANT and a BSTR.
#include <windows.h>

#include <ole2.h>
#include <oleauto.h>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // Releases the current pointer (if any) and gives the slot to an out-parameter.
    T** put() {
        reset();
        return &ptr_;
    }
    // Releases the pointer; returns Release's result, 0 when there was none.
    ULONG reset() {
        ULONG result = 0;
        if (ptr_) {
            result = ptr_->Release();
            ptr_ = nullptr;
        }
        return result;
    }

private:
    T* ptr_ = nullptr;
};

// A VARIANT cleared when it goes out of scope.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* get() { return &value_; }
    const VARIANT& operator*() const { return value_; }

private:
    VARIANT value_;
};

// A BSTR freed when it goes out of scope.
class ScopedBstr {
public:
    explicit ScopedBstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    ~ScopedBstr() { SysFreeString(value_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR get() const { return value_; }

private:
    BSTR value_;
};
