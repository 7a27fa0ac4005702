#include "platform/win32/folder_chooser.h"

#include <objbase.h>
#include <shlobj.h>

#include <memory>

#include "platform/win32/dialog_template.h"

namespace norvale::win32 {
namespace {

struct ItemListFree {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using ItemList = std::unique_ptr<ITEMIDLIST, ItemListFree>;

// The chooser needs COM in a single-threaded apartment on this thread; when
// the thread already has COM this changes nothing.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

}  // namespace

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM /*param*/, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    const auto* folder = reinterpret_cast<const wchar_t*>(data);
    if (folder != nullptr && *folder != L'\0') {
      SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    }
  }
  return 0;
}

std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title, std::string_view initial) {
  ComApartment com;
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

  const ItemList chosen(SHBrowseForFolderW(&info));
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(chosen.get(), path)) return std::string();
  return Utf8(path);
}

}  // namespace norvale::win32
