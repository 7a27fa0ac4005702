#include "platform/win32/main_window.h"

#include <commctrl.h>

#include "core/ui_texts.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/text.h"

namespace norvale::win32 {
namespace {

using platform::MenuItem;

constexpr wchar_t kClassName[] = L"NorvaleMainWindow";
constexpr int kClientWidth = 917;  // 13755 x 4905 twips at 96 dpi
constexpr int kClientHeight = 327;
constexpr UINT kFirstCommandId = 100;

UINT CommandId(MenuItem item) { return kFirstCommandId + static_cast<UINT>(item); }

constexpr MenuItem kFileMenu[] = {MenuItem::kSave, MenuItem::kEnd};
constexpr MenuItem kViewMenu[] = {
    MenuItem::kShowAll, MenuItem::kShowHard,   MenuItem::kShowDrive,
    MenuItem::kShowLan, MenuItem::kShowSoft,   MenuItem::kShowApp,
    MenuItem::kShowEnv, MenuItem::kShowDevice, MenuItem::kShowWmi,
};
constexpr MenuItem kSaveTypeMenu[] = {MenuItem::kSaveTab, MenuItem::kSaveCsv};
constexpr MenuItem kSettingMenu[] = {MenuItem::kAuto, MenuItem::kFolder, MenuItem::kSaveDelay};
constexpr MenuItem kHelpMenu[] = {MenuItem::kVersion};

// The window's own texts; other languages replace them at start.
std::wstring MenuTextFor(MenuItem item) { return Wide(MenuTextOf(item).japanese); }

}  // namespace

MainWindow* MainWindow::instance_window_ = nullptr;

MainWindow::MainWindow(HINSTANCE instance)
    : instance_(instance), about_(instance, MAKEINTRESOURCEW(kAppIcon)) {
  instance_window_ = this;
}

MainWindow::~MainWindow() {
  for (const auto& [id, callback] : timers_) ::KillTimer(nullptr, id);
  DestroyResultList();
  hwnd_.reset();
  instance_window_ = nullptr;
}

MenuHandle MainWindow::BuildMenus() {
  MenuHandle owned_bar(CreateMenu());
  HMENU bar = owned_bar.get();
  auto popup = [&](HMENU parent, MenuItem item) {
    HMENU menu = CreatePopupMenu();
    menus_[item] = {parent, static_cast<UINT>(GetMenuItemCount(parent)), true};
    AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu),
                MenuTextFor(item).c_str());
    return menu;
  };
  auto commands = [&](HMENU parent, const auto& items) {
    for (const MenuItem item : items) {
      menus_[item] = {parent, static_cast<UINT>(GetMenuItemCount(parent)), false};
      AppendMenuW(parent, MF_STRING, CommandId(item), MenuTextFor(item).c_str());
    }
  };

  commands(popup(bar, MenuItem::kFile), kFileMenu);
  commands(popup(bar, MenuItem::kView), kViewMenu);
  HMENU setting = popup(bar, MenuItem::kSetting);
  commands(popup(setting, MenuItem::kSaveType), kSaveTypeMenu);
  commands(setting, kSettingMenu);
  commands(popup(bar, MenuItem::kHelp), kHelpMenu);
  EnableMenuItem(bar, CommandId(MenuItem::kSave), MF_BYCOMMAND | MF_GRAYED);
  return owned_bar;
}

bool MainWindow::Create(Handlers handlers) {
  handlers_ = std::move(handlers);
  icon_big_.reset(
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kAppIcon), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  icon_small_.reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kAppIcon), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), 0)));
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.hIcon = icon_big_.get();
  wc.hIconSm = icon_small_.get();
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc)) return false;

  MenuHandle menu = BuildMenus();
  const DWORD style = WS_OVERLAPPEDWINDOW;
  RECT rect = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&rect, style, TRUE, 0);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  hwnd_.reset(CreateWindowExW(0, kClassName, L"Norvale", style, x, y, width, height, nullptr,
                              menu.get(), instance_, nullptr));
  if (!hwnd_) return false;
  menu.release();  // the window owns its menu bar now
  return true;
}

int MainWindow::RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // The modeless about box gets its keys (Enter, Escape, Tab) first.
    if (about_.window() != nullptr && IsDialogMessageW(about_.window(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return exit_code_ != 0 ? exit_code_ : static_cast<int>(msg.wParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (instance_window_ != nullptr && instance_window_->hwnd_.get() == hwnd) {
    return instance_window_->Handle(message, wparam, lparam);
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      if (handlers_.resize) handlers_.resize();
      return 0;
    case WM_COMMAND: {
      const UINT id = LOWORD(wparam);
      if (HIWORD(wparam) == 0 && id >= kFirstCommandId && id <= CommandId(MenuItem::kVersion) &&
          handlers_.command) {
        handlers_.command(static_cast<MenuItem>(id - kFirstCommandId));
        return 0;
      }
      break;
    }
    case WM_CLOSE:
      EndProgram(0);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(exit_code_);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_.get(), message, wparam, lparam);
}

void MainWindow::SetTitle(std::string_view title) {
  SetWindowTextW(hwnd_.get(), Wide(title).c_str());
}

void MainWindow::SetMenuText(MenuItem item, std::string_view text) {
  const auto it = menus_.find(item);
  if (it == menus_.end()) return;
  std::wstring wide = Wide(text);
  MENUITEMINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = wide.data();
  SetMenuItemInfoW(it->second.parent, it->second.position, TRUE, &info);
  if (it->second.parent == GetMenu(hwnd_.get())) DrawMenuBar(hwnd_.get());
}

void MainWindow::SetMenuChecked(MenuItem item, bool checked) {
  const auto it = menus_.find(item);
  if (it == menus_.end()) return;
  CheckMenuItem(it->second.parent, it->second.position,
                MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool MainWindow::IsMenuChecked(MenuItem item) {
  const auto it = menus_.find(item);
  if (it == menus_.end()) return false;
  return (GetMenuState(it->second.parent, it->second.position, MF_BYPOSITION) & MF_CHECKED) != 0;
}

void MainWindow::SetMenuEnabled(MenuItem item, bool enabled) {
  const auto it = menus_.find(item);
  if (it == menus_.end()) return;
  EnableMenuItem(it->second.parent, it->second.position,
                 MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

platform::ResultList& MainWindow::CreateResultList(std::string_view font_face, int height) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&init);
  DestroyResultList();
  list_font_.reset(CreateFontW(-12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0,
                               0, 0, 0x40, Wide(font_face).c_str()));
  RECT client = {};
  GetClientRect(hwnd_.get(), &client);
  list_.reset(CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | LVS_REPORT, 0, 0,
      client.right, height, hwnd_.get(), nullptr, instance_, nullptr));
  SendMessageW(list_.get(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  SendMessageW(list_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(list_font_.get()), TRUE);
  return *this;
}

void MainWindow::FitListToClient() {
  if (!list_) return;
  RECT client = {};
  GetClientRect(hwnd_.get(), &client);
  MoveWindow(list_.get(), 0, 0, client.right, client.bottom, TRUE);
}

void MainWindow::DestroyResultList() {
  // The list first: it must not outlive the font it uses.
  list_.reset();
  list_font_.reset();
}

int MainWindow::AddListColumn(int position, std::string_view title, int width) {
  std::wstring text = Wide(title);
  LVCOLUMNW column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = text.data();
  column.iSubItem = position;
  return static_cast<int>(SendMessageW(list_.get(), LVM_INSERTCOLUMNW,
                                       static_cast<WPARAM>(position),
                                       reinterpret_cast<LPARAM>(&column)));
}

int MainWindow::AddListRow(int row, std::string_view text) {
  std::wstring wide = Wide(text);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = wide.data();
  return static_cast<int>(
      SendMessageW(list_.get(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool MainWindow::SetListCell(int row, int column, std::string_view text) {
  std::wstring wide = Wide(text);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = wide.data();
  return SendMessageW(list_.get(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool MainWindow::ClearList() { return SendMessageW(list_.get(), LVM_DELETEALLITEMS, 0, 0) != 0; }

void MainWindow::ShowMainWindow() {
  ShowWindow(hwnd_.get(), SW_SHOW);
  UpdateWindow(hwnd_.get());
}

void MainWindow::ShowMessage(std::string_view text, platform::MessageIcon icon) {
  UINT type = MB_OK;
  switch (icon) {
    case platform::MessageIcon::kInformation:
      type |= MB_ICONINFORMATION;
      break;
    case platform::MessageIcon::kExclamation:
      type |= MB_ICONEXCLAMATION;
      break;
    case platform::MessageIcon::kCritical:
      type |= MB_ICONHAND;
      break;
    case platform::MessageIcon::kNone:
      break;
  }
  // A hidden owner would hide the box too: in automatic mode it has none.
  HWND owner = hwnd_ && IsWindowVisible(hwnd_.get()) ? hwnd_.get() : nullptr;
  MessageBoxW(owner, Wide(text).c_str(), L"Norvale", type);
}

void CALLBACK MainWindow::TimerCallback(HWND, UINT, UINT_PTR id, DWORD) {
  if (instance_window_ == nullptr) return;
  const auto it = instance_window_->timers_.find(id);
  if (it == instance_window_->timers_.end()) return;
  const std::function<void()> callback = it->second;
  callback();
}

std::uintptr_t MainWindow::SetTimer(std::uint32_t milliseconds, std::function<void()> callback) {
  const UINT_PTR id = ::SetTimer(nullptr, 0, milliseconds, TimerCallback);
  if (id != 0) timers_[id] = std::move(callback);
  return id;
}

void MainWindow::KillTimer(std::uintptr_t id) {
  ::KillTimer(nullptr, id);
  timers_.erase(id);
}

void MainWindow::EndProgram(int exit_code) {
  // The first code asked for stands: closing the window afterwards must not
  // turn a failed run into a successful one.
  if (exit_code_ == 0) exit_code_ = exit_code;
  if (!unloaded_) {
    unloaded_ = true;
    if (handlers_.query_unload) handlers_.query_unload();
  }
  hwnd_.reset();
  PostQuitMessage(exit_code_);
}

}  // namespace norvale::win32
