#include "platform/win32/text.h"

#include "platform/win32/scoped_handle.h"

namespace norvale::win32 {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string Utf8(const wchar_t* wide) {
  return wide == nullptr ? std::string() : Utf8(std::wstring_view(wide));
}

std::string SystemMessage(DWORD code) {
  LocalMemory buffer;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
  std::string text;
  if (n != 0 && buffer)
    text = Utf8(std::wstring_view(static_cast<const wchar_t*>(buffer.get()), n));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "Windows error " + std::to_string(code);
  return text;
}

Failure Win32Failure(DWORD code) {
  return Failure(static_cast<std::int64_t>(code), SystemMessage(code));
}

Failure LastErrorFailure() { return Win32Failure(GetLastError()); }

}  // namespace norvale::win32
