// DLLs that are not on Windows' list of known system DLLs (VERSION.dll,
// MPR.dll) are never imported: Windows would look for them beside the program
// first, and the program is often started from a share every user can write.
// They are loaded here from the system folder only.
#pragma once

#include <windows.h>

namespace norvale::win32 {

// Restricts the DLL search of the whole process to the system folder (and
// the paths a caller names in full). Call first thing at start; false where
// Windows lacks the call (Windows 7 without its loader update), where
// SystemFunction below still loads from the system folder by full path.
bool RestrictDllSearchToSystem();

// The address of `function` in the system DLL `dll` ("version.dll"), loaded
// from the system folder on first use and kept for the life of the process;
// nullptr when either cannot be found (GetLastError says why).
FARPROC SystemFunction(const wchar_t* dll, const char* function);

// The same, typed: SystemFunction<decltype(&GetFileVersionInfoSizeW)>(...).
template <typename F>
F SystemFunction(const wchar_t* dll, const char* function) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(SystemFunction(dll, function)));
}

}  // namespace norvale::win32
