#include "platform/win32/system.h"

#include <shlobj.h>
#include <windows.h>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);

SYSTEMTIME ToSystemTime(const Date& date, const TimeOfDay& time) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(date.year);
  st.wMonth = static_cast<WORD>(date.month);
  st.wDay = static_cast<WORD>(date.day);
  st.wHour = static_cast<WORD>(time.hour);
  st.wMinute = static_cast<WORD>(time.minute);
  st.wSecond = static_cast<WORD>(time.second);
  return st;
}

std::string StripTrailingBackslash(std::string path) {
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

std::string Win32System::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 2] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) throw LastErrorFailure();
  return Utf8(std::wstring_view(name, size));
}

LocalDateTime Win32System::Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {{st.wYear, st.wMonth, st.wDay}, {st.wHour, st.wMinute, st.wSecond}};
}

std::string Win32System::ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) throw LastErrorFailure();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L'\\');
  return Utf8(std::wstring_view(path).substr(0, slash == std::wstring::npos ? 0 : slash));
}

std::uint32_t Win32System::ProcessId() { return GetCurrentProcessId(); }

std::string Win32System::SpecialFolderPath(platform::SpecialFolder folder) {
  wchar_t path[MAX_PATH] = {};
  const bool fonts = folder == platform::SpecialFolder::kFonts;
  const HRESULT hr = SHGetFolderPathW(nullptr, fonts ? CSIDL_FONTS : CSIDL_DESKTOPDIRECTORY,
                                      nullptr, SHGFP_TYPE_CURRENT, path);
  if (FAILED(hr)) {
    // Without a desktop a save would go to "\<name>.tsv" at the root of the
    // current drive; the save reports the failure instead.
    if (!fonts) throw Win32Failure(static_cast<DWORD>(hr));
    return {};
  }
  return Utf8(path);
}

std::string Win32System::TempFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, path);
  if (n == 0 || n > MAX_PATH) throw LastErrorFailure();
  return StripTrailingBackslash(Utf8(std::wstring_view(path, n)));
}

bool Win32System::IsWow64() {
#ifdef _WIN64
  // The 64-bit build runs only on 64-bit Windows, where the 32-bit program is
  // always WOW64; it answers as that program would, so both report the same.
  return true;
#else
  const auto fn = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));
  if (fn == nullptr) return false;
  BOOL wow64 = FALSE;
  return fn(GetCurrentProcess(), &wow64) && wow64;
#endif
}

std::optional<platform::VersionRecord> Win32System::Version() {
  // The loader's own record: unlike GetVersionEx it is not capped at the
  // Windows version the program's manifest names.
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  const auto fn = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "RtlGetVersion")));
  if (fn == nullptr || fn(&info) != 0) return std::nullopt;
  platform::VersionRecord record;
  record.major = info.dwMajorVersion;
  record.minor = info.dwMinorVersion;
  record.build = info.dwBuildNumber;
  record.platform_id = info.dwPlatformId;
  record.csd_version = Utf8(info.szCSDVersion);
  record.service_pack_major = info.wServicePackMajor;
  record.service_pack_minor = info.wServicePackMinor;
  record.suite_mask = info.wSuiteMask;
  record.product_type = info.wProductType;
  return record;
}

std::string Win32System::SystemDirectory() {
  wchar_t path[MAX_PATH + 1] = {};
  const UINT n = GetSystemDirectoryW(path, MAX_PATH + 1);
  return Utf8(std::wstring_view(path, n <= MAX_PATH ? n : 0));
}

std::optional<platform::MemoryStatus> Win32System::GlobalMemoryStatus() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return std::nullopt;
  return platform::MemoryStatus{status.ullTotalPhys, status.ullAvailPhys, status.ullTotalPageFile,
                                status.ullAvailPageFile};
}

std::optional<platform::DiskSpace> Win32System::DiskFreeSpace(std::string_view root) {
  ULARGE_INTEGER caller = {}, total = {}, free = {};
  if (!GetDiskFreeSpaceExW(Wide(root).c_str(), &caller, &total, &free)) return std::nullopt;
  return platform::DiskSpace{caller.QuadPart, total.QuadPart, free.QuadPart};
}

platform::ProcessorInfo Win32System::SystemInfo() {
  SYSTEM_INFO info = {};
  GetSystemInfo(&info);
  return {info.dwNumberOfProcessors, info.wProcessorLevel, info.wProcessorRevision};
}

std::vector<std::string> Win32System::EnvironmentBlock() {
  std::vector<std::string> entries;
  const EnvironmentStrings block(GetEnvironmentStringsW());
  if (!block) return entries;
  for (const wchar_t* p = block.get(); *p != L'\0';) {
    const std::wstring_view entry(p);
    entries.push_back(Utf8(entry));
    p += entry.size() + 1;
  }
  return entries;
}

std::string Win32System::ExpandEnvironmentText(std::string_view text) {
  const std::wstring wide = Wide(text);
  std::wstring expanded(wide.size() + 1, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD n = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(),
                                              static_cast<DWORD>(expanded.size()));
    if (n == 0) throw LastErrorFailure();
    // n counts the terminator; a variable may grow between the calls.
    if (n <= expanded.size()) return Utf8(std::wstring_view(expanded.data(), n - 1));
    expanded.assign(n, L'\0');
  }
  throw Win32Failure(ERROR_INSUFFICIENT_BUFFER);
}

std::optional<std::string> Win32Locale::SystemCountryName() {
  wchar_t name[256] = {};
  if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGCOUNTRY, name, 256) == 0)
    return std::nullopt;
  return Utf8(name);
}

std::string Win32Locale::ShortDate(const Date& date) {
  const SYSTEMTIME st = ToSystemTime(date, {});
  wchar_t text[128] = {};
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 128) == 0) {
    throw LastErrorFailure();
  }
  return Utf8(text);
}

std::string Win32Locale::TimeText(const TimeOfDay& time) {
  const SYSTEMTIME st = ToSystemTime({2000, 1, 1}, time);
  wchar_t text[128] = {};
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, text, 128) == 0)
    throw LastErrorFailure();
  return Utf8(text);
}

std::string Win32Locale::DecimalSeparator() {
  if (decimal_separator_.empty()) {
    wchar_t text[8] = {};
    decimal_separator_ =
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, 8) != 0 ? Utf8(text) : ".";
  }
  return decimal_separator_;
}

std::string Win32Locale::ToAnsi(std::string_view utf8) {
  const std::wstring wide = Wide(utf8);
  if (wide.empty()) return {};
  // No best fit: a full-width comma or quote must not turn into a delimiter
  // in the result file. What the code page lacks becomes its default character.
  constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
  const int n = WideCharToMultiByte(CP_ACP, kFlags, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, kFlags, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string Win32Locale::FromAnsi(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return Utf8(wide);
}

}  // namespace norvale::win32
