#pragma once
// One owner for every kind of handle the installer holds (kernel objects, find handles,
// registry keys, modules, icons, C streams, memory handed over by APIs, COM interfaces and
// strings, CryptoAPI contexts, keys and
// hashes, certificates and chains), closed once when the owner lets go of it. Each kind is a small
// traits struct: its "none" value, and how one is closed. Folders above app/ add traits of
// their own for handles of libraries app does not see (the downloader's CURL*).
#include <windows.h>
#include <wincrypt.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>

#include "app/scoped_resource.h"

// FindFirstFile's handles: "none" is INVALID_HANDLE_VALUE.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};

struct RegistryKeyTraits : NullIsNone<HKEY> {
    static void Close(HKEY key) { RegCloseKey(key); }
};

struct LibraryTraits : NullIsNone<HMODULE> {
    static void Close(HMODULE module) { FreeLibrary(module); }
};

struct IconTraits : NullIsNone<HICON> {
    static void Close(HICON icon) { DestroyIcon(icon); }
};

// Memory handed over by an API that says to free it with GlobalFree.
template <typename T>
struct GlobalMemoryTraits : NullIsNone<T*> {
    static void Close(T* memory) { GlobalFree(memory); }
};

// Memory handed over by an API that says to free it with CoTaskMemFree.
template <typename T>
struct TaskMemoryTraits : NullIsNone<T*> {
    static void Close(T* memory) { CoTaskMemFree(memory); }
};

struct FileStreamTraits : NullIsNone<std::FILE*> {
    static void Close(std::FILE* f) { std::fclose(f); }
};

struct BstrTraits : NullIsNone<BSTR> {
    static void Close(BSTR text) { SysFreeString(text); }
};

template <typename T>
struct ComTraits : NullIsNone<T*> {
    static void Close(T* p) { p->Release(); }
};

struct CryptProviderTraits : NullIsNone<HCRYPTPROV> {
    static void Close(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
};

struct CryptKeyTraits : NullIsNone<HCRYPTKEY> {
    static void Close(HCRYPTKEY key) { CryptDestroyKey(key); }
};

struct CryptHashTraits : NullIsNone<HCRYPTHASH> {
    static void Close(HCRYPTHASH hash) { CryptDestroyHash(hash); }
};

struct CertContextTraits : NullIsNone<PCCERT_CONTEXT> {
    static void Close(PCCERT_CONTEXT cert) { CertFreeCertificateContext(cert); }
};

struct CertChainTraits : NullIsNone<PCCERT_CHAIN_CONTEXT> {
    static void Close(PCCERT_CHAIN_CONTEXT chain) { CertFreeCertificateChain(chain); }
};

using ScopedFindHandle = ScopedResource<FindHandleTraits>;
using ScopedRegistryKey = ScopedResource<RegistryKeyTraits>;
using ScopedLibrary = ScopedResource<LibraryTraits>;
using ScopedIcon = ScopedResource<IconTraits>;
using ScopedFile = ScopedResource<FileStreamTraits>;
template <typename T>
using ScopedGlobalMemory = ScopedResource<GlobalMemoryTraits<T>>;
template <typename T>
using ScopedTaskMemory = ScopedResource<TaskMemoryTraits<T>>;
using ScopedBstr = ScopedResource<BstrTraits>;
template <typename T>
using ComPtr = ScopedResource<ComTraits<T>>;
using ScopedCryptProvider = ScopedResource<CryptProviderTraits>;
using ScopedCryptKey = ScopedResource<CryptKeyTraits>;
using ScopedCryptHash = ScopedResource<CryptHashTraits>;
using ScopedCertContext = ScopedResource<CertContextTraits>;
using ScopedCertChain = ScopedResource<CertChainTraits>;

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

// A critical section (available on every Windows version we support) and its scoped lock.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void lock() { EnterCriticalSection(&cs_); }
    void unlock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class AutoLock {
public:
    explicit AutoLock(CriticalSection& cs) : cs_(cs) { cs_.lock(); }
    ~AutoLock() { cs_.unlock(); }
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    CriticalSection& cs_;
};
