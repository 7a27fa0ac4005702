// Conversions at the boundary with Windows, and Windows errors as Failures.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "core/failure.h"

namespace norvale::win32 {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
std::string Utf8(const wchar_t* wide);

// The system's text for a Win32 error code or HRESULT, without the line end.
std::string SystemMessage(DWORD code);

// A Failure carrying `code` and its system text.
Failure Win32Failure(DWORD code);
// The same for GetLastError().
Failure LastErrorFailure();

}  // namespace norvale::win32
