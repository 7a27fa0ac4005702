// One owner for every kind of Windows resource: a move-only handle whose
// traits say what "no handle" is and how the handle is given back. Each kind
// of resource the program touches has its alias below, so no code pairs an
// acquire with a release by hand.
#pragma once

#include <windows.h>
// ntsecapi.h needs the base types of windows.h first.
#include <ntsecapi.h>
#include <objbase.h>

#include <utility>

namespace norvale::win32 {

template <typename Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  // For owners of interface pointers.
  Handle operator->() const { return handle_; }
  explicit operator bool() const { return !Traits::IsEmpty(handle_); }

  // Gives up ownership without closing.
  Handle release() { return std::exchange(handle_, Traits::Empty()); }
  void reset(Handle handle = Traits::Empty()) {
    const Handle old = std::exchange(handle_, handle);
    if (!Traits::IsEmpty(old)) Traits::Close(old);
  }
  // For out-parameters: closes what is held and hands out the slot.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Empty();
};

// Traits for handles whose empty value is null.
template <typename H, auto CloseFunction>
struct NullIsEmpty {
  using Handle = H;
  static constexpr Handle Empty() { return Handle{}; }
  static bool IsEmpty(Handle h) { return h == Handle{}; }
  static void Close(Handle h) { CloseFunction(h); }
};

// Files and other kernel objects that CreateFile-style calls answer with
// INVALID_HANDLE_VALUE when they fail.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsEmpty(Handle h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};

inline void CloseKey(HKEY key) { RegCloseKey(key); }
inline void CloseLsa(LSA_HANDLE h) { LsaClose(h); }
inline void FreeLsa(void* p) { LsaFreeMemory(p); }
inline void FreeLocal(void* p) { LocalFree(p); }
inline void FreeCoTask(void* p) { CoTaskMemFree(p); }
inline void FreeEnvironment(wchar_t* block) { FreeEnvironmentStringsW(block); }
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DestroyIconHandle(HICON icon) { DestroyIcon(icon); }
inline void DestroyMenuHandle(HMENU menu) { DestroyMenu(menu); }
inline void DestroyWindowHandle(HWND window) { DestroyWindow(window); }
inline void UnloadModule(HMODULE module) { FreeLibrary(module); }

using FileHandle = ScopedHandle<FileHandleTraits>;
using KeyHandle = ScopedHandle<NullIsEmpty<HKEY, CloseKey>>;
using LsaPolicyHandle = ScopedHandle<NullIsEmpty<LSA_HANDLE, CloseLsa>>;
using LsaMemory = ScopedHandle<NullIsEmpty<void*, FreeLsa>>;
using LocalMemory = ScopedHandle<NullIsEmpty<void*, FreeLocal>>;
using CoTaskMemory = ScopedHandle<NullIsEmpty<void*, FreeCoTask>>;
using EnvironmentStrings = ScopedHandle<NullIsEmpty<wchar_t*, FreeEnvironment>>;
using FontHandle = ScopedHandle<NullIsEmpty<HFONT, DeleteGdiObject>>;
using IconHandle = ScopedHandle<NullIsEmpty<HICON, DestroyIconHandle>>;
using MenuHandle = ScopedHandle<NullIsEmpty<HMENU, DestroyMenuHandle>>;
using WindowHandle = ScopedHandle<NullIsEmpty<HWND, DestroyWindowHandle>>;
using ModuleHandle = ScopedHandle<NullIsEmpty<HMODULE, UnloadModule>>;

// A device context borrowed from a window: ReleaseDC needs the window too,
// so the handle is the pair.
struct WindowDcPair {
  HWND window = nullptr;
  HDC dc = nullptr;
  bool operator==(const WindowDcPair&) const = default;
};
struct WindowDcTraits {
  using Handle = WindowDcPair;
  static constexpr Handle Empty() { return {}; }
  static bool IsEmpty(Handle h) { return h.dc == nullptr; }
  static void Close(Handle h) { ReleaseDC(h.window, h.dc); }
};
using WindowDc = ScopedHandle<WindowDcTraits>;
inline WindowDc GetWindowDc(HWND window) { return WindowDc({window, GetDC(window)}); }

// COM on the calling thread: only a successful initialisation is undone
// (RPC_E_CHANGED_MODE means COM was already up in another model, which
// serves us as well).
struct ComApartmentTraits {
  using Handle = bool;  // true while this owner must uninitialise
  static constexpr Handle Empty() { return false; }
  static bool IsEmpty(Handle h) { return !h; }
  static void Close(Handle) { CoUninitialize(); }
};
using ComApartment = ScopedHandle<ComApartmentTraits>;
inline ComApartment EnterComApartment() {
  return ComApartment(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

}  // namespace norvale::win32
