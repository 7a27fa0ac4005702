// The Windows side of the fleet tests' world: running the machine's own
// python3 from a Windows test program under Wine.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/fleet/fleet_world.h"

namespace norvale::fleet::testing {
namespace {

std::wstring Wide(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

std::string ReadWhole(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// Wine starts a Linux program but gives no handle to wait on, and a pipe's
// Windows end ends before the program writes: the program writes its output
// and then its exit status into files, and the status file is waited for.
HostRun RunHostPython(const std::string& script, const std::string& file) {
  // Wine's own export that names the Linux file behind a Windows path.
  using UnixFileName = char*(__cdecl*)(const wchar_t*);
  const auto unix_file_name = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unix_file_name) return {false, "not under Wine: there is no Linux python3 to run"};
  auto unix_path = [&](const std::wstring& path) {
    char* name = unix_file_name(path.c_str());
    std::string text = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return text;
  };
  const std::wstring output = std::filesystem::temp_directory_path().wstring() +
                              L"\\norvale-host-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64()) + L".txt";
  const std::wstring status = output + L".status";
  const std::string unix_file = unix_path(Wide(file));
  const std::string unix_output = unix_path(output);
  if (unix_file.empty() || unix_output.empty()) return {false, "no Linux path for " + file};
  const std::string command = "Z:\\bin\\sh -c \"/usr/bin/python3 '" + script + "' '" + unix_file +
                              "' >'" + unix_output + "' 2>&1; echo $? >'" + unix_output +
                              ".status'\"";
  std::wstring wide_command = Wide(command);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, wide_command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return {false, "cannot start " + command};
  }
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  std::string code;
  for (int waited = 0; waited < 1200 && code.empty(); ++waited) {
    Sleep(100);
    code = ReadWhole(status);
  }
  HostRun run{code == "0\n", ReadWhole(output)};
  if (code.empty()) run.output += "(no exit status after 120 s)";
  DeleteFileW(output.c_str());
  DeleteFileW(status.c_str());
  return run;
}

}  // namespace norvale::fleet::testing
