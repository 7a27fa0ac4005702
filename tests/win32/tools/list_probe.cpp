// Prints the rows of the result list of a running main window, one line per
// row, cells separated by tabs, in UTF-8. The list lives in another process,
// so the item texts are fetched through a buffer allocated there.
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kColumns = 7;
constexpr int kTextChars = 1024;

struct Remote {
  HANDLE process;
  void* memory;
  ~Remote() {
    if (memory != nullptr) VirtualFreeEx(process, memory, 0, MEM_RELEASE);
    if (process != nullptr) CloseHandle(process);
  }
};

std::string Utf8(const wchar_t* text) {
  const int count = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(count > 0 ? count : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), count, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: list_probe <main window title>\n", stderr);
    return 2;
  }
  HWND main = FindWindowW(nullptr, argv[1]);
  HWND list = main != nullptr ? FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
  if (list == nullptr) {
    std::fputs("no list\n", stderr);
    return 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  Remote remote{OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid),
                nullptr};
  if (remote.process == nullptr) return 1;
  const SIZE_T size = sizeof(LVITEMW) + kTextChars * sizeof(wchar_t);
  remote.memory = VirtualAllocEx(remote.process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  if (remote.memory == nullptr) return 1;
  auto* remote_item = static_cast<LVITEMW*>(remote.memory);
  auto* remote_text = reinterpret_cast<wchar_t*>(remote_item + 1);

  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  std::printf("rows=%d\n", rows);
  for (int row = 0; row < rows; ++row) {
    std::string line;
    for (int column = 0; column < kColumns; ++column) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iSubItem = column;
      item.pszText = remote_text;
      item.cchTextMax = kTextChars;
      WriteProcessMemory(remote.process, remote_item, &item, sizeof item, nullptr);
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(remote_item));
      wchar_t text[kTextChars] = {};
      ReadProcessMemory(remote.process, remote_text, text, sizeof text - sizeof(wchar_t), nullptr);
      if (column > 0) line += '\t';
      line += Utf8(text);
    }
    std::printf("%s\n", line.c_str());
  }
  return 0;
}
