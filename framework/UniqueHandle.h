#pragma once
// One move-only owner for every kind of handle the programs open: a traits
// type says what "no handle" is and how one is closed. A raw handle means a
// borrowed one.
#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() {
        if (Valid()) Traits::Close(m_handle);
    }
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    bool Valid() const { return m_handle != Traits::None(); }
    explicit operator bool() const { return Valid(); }
    Handle Get() const { return m_handle; }
    // Hands the handle over to whoever closes it from now on.
    Handle Release() { return std::exchange(m_handle, Traits::None()); }

private:
    Handle m_handle = Traits::None();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
// A file opened with CreateFileA.
using UniqueFile = UniqueHandle<FileHandleTraits>;

struct RegistryKeyTraits {
    using Handle = HKEY;
    static HKEY None() { return nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};
// An open registry key.
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

struct ThreadHandleTraits {
    using Handle = HANDLE;
    static HANDLE None() { return nullptr; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
// A thread started with CreateThread (its owner waits for it before closing).
using UniqueThread = UniqueHandle<ThreadHandleTraits>;
