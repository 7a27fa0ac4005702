#include "platform/win32/system_library.h"

#include <map>
#include <string>

#include "platform/win32/scoped_handle.h"

namespace norvale::win32 {
namespace {

HMODULE LoadFromSystemFolder(const wchar_t* dll) {
  if (HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
  // Without the loader update the flag is refused; a full path is searched
  // nowhere else.
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, n) + L"\\" + dll;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

bool RestrictDllSearchToSystem() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  // The current folder leaves the search either way.
  SetDllDirectoryW(L"");
  return set_default != nullptr && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

FARPROC SystemFunction(const wchar_t* dll, const char* function) {
  // One thread asks (the window's); the modules stay until the process ends.
  static std::map<std::wstring, ModuleHandle> loaded;
  auto it = loaded.find(dll);
  if (it == loaded.end()) it = loaded.emplace(dll, ModuleHandle(LoadFromSystemFolder(dll))).first;
  if (!it->second) {
    // Not kept: a later call tries again.
    const DWORD error = GetLastError();
    loaded.erase(it);
    SetLastError(error);
    return nullptr;
  }
  return GetProcAddress(it->second.get(), function);
}

}  // namespace norvale::win32
