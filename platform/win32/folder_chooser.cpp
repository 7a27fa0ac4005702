#include "platform/win32/folder_chooser.h"

#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/dialog_template.h"
#include "platform/win32/scoped_handle.h"

namespace norvale::win32 {
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM /*param*/, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    const auto* folder = reinterpret_cast<const wchar_t*>(data);
    if (folder != nullptr && *folder != L'\0') {
      SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
  }
  return 0;
}

std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                           std::string_view initial) {
  // The chooser needs COM in a single-threaded apartment on this thread.
  const ComApartment com = EnterComApartment();
  const std::wstring wide_title = Wide(title);
  const std::wstring wide_initial = Wide(initial);
  wchar_t display_name[MAX_PATH] = {};

  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = display_name;
  info.lpszTitle = wide_title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(wide_initial.c_str());
  info.iImage = 0;

  const CoTaskMemory chosen(SHBrowseForFolderW(&info));
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(chosen.get()), path))
    return std::string();
  return Utf8(path);
}

}  // namespace norvale::win32
