// Stands in for a DLL that someone plants beside norvale.exe on a share:
// whichever process loads it, it leaves "<its own path>.loaded" beside itself
// and refuses to load. It exports nothing, so a program that imported it by
// name would not start either.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 8] = {};
  const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    lstrcatW(path, L".loaded");
    HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  }
  return FALSE;
}
