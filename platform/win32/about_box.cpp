#include "platform/win32/about_box.h"

#include "platform/win32/dialog_template.h"

namespace norvale::win32 {
namespace {

constexpr WORD kVersionId = 100;  // Label1
constexpr WORD kMakerId = 101;    // Label2
constexpr WORD kIconId = 102;     // Image1

// Pixels at 96 dpi: the client area and the controls' left, top, width,
// height, scaled to the screen's resolution at start.
constexpr SIZE kClient = {269, 114};
struct Place {
  int id;
  RECT box;  // left, top, width, height
};
constexpr Place kPlaces[] = {
    {IDOK, {88, 80, 89, 25}},
    {kMakerId, {80, 48, 201, 17}},
    {kVersionId, {80, 16, 217, 33}},
    {kIconId, {8, 8, 48, 48}},
};
constexpr int kIconSize = 48;

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontInstalled(const wchar_t* face) {
  const WindowDc dc = GetWindowDc(nullptr);
  if (!dc) return false;
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc.get().dc, &query, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// Meiryo at 9 points, or nullptr where it is not installed (the labels then
// keep the dialog font).
FontHandle CreateLabelFont(int dpi) {
  if (!FontInstalled(L"メイリオ") && !FontInstalled(L"Meiryo")) return FontHandle();
  return FontHandle(CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"メイリオ"));
}

int ScreenDpi() {
  const WindowDc dc = GetWindowDc(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc.get().dc, LOGPIXELSX) : 96;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

AboutBox::~AboutBox() {
  // An open box goes first: its last message still reaches this object.
  window_.reset();
}

void AboutBox::Show(HWND owner, const platform::AboutBoxTexts& texts) {
  if (window_) {
    ShowWindow(window_.get(), SW_SHOW);
    SetForegroundWindow(window_.get());
    return;
  }
  const DialogFont font = MessageFont();
  // The template only fixes the controls and their order; OnInit places them
  // in pixels.
  DialogTemplate dlg(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 180, 76,
                     Wide(texts.title), font.face, font.point_size);
  dlg.AddControl(ControlClass::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 0, 10, 10,
                 Wide(texts.ok));
  dlg.AddControl(ControlClass::kStatic, kMakerId, SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10,
                 Wide(texts.maker));
  dlg.AddControl(ControlClass::kStatic, kVersionId, SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10,
                 Wide(texts.version_line));
  dlg.AddControl(ControlClass::kStatic, kIconId, SS_ICON | SS_REALSIZECONTROL, 0, 0, 10, 10);
  // OnInit takes ownership of the box while it is being created.
  const HWND created =
      CreateDialogIndirectParamW(instance_, dlg.get(), owner, Proc, reinterpret_cast<LPARAM>(this));
  if (created != nullptr) ShowWindow(created, SW_SHOW);
}

void AboutBox::OnInit(HWND dialog) {
  window_.reset(dialog);
  const int dpi = ScreenDpi();
  auto scale = [dpi](LONG pixels) { return MulDiv(pixels, dpi, 96); };

  label_font_ = CreateLabelFont(dpi);
  if (label_font_) {
    const auto font = reinterpret_cast<WPARAM>(label_font_.get());
    SendDlgItemMessageW(dialog, kVersionId, WM_SETFONT, font, FALSE);
    SendDlgItemMessageW(dialog, kMakerId, WM_SETFONT, font, FALSE);
  }
  const int icon_size = scale(kIconSize);
  icon_.reset(static_cast<HICON>(
      LoadImageW(instance_, icon_name_, IMAGE_ICON, icon_size, icon_size, LR_DEFAULTCOLOR)));
  if (icon_) {
    SendDlgItemMessageW(dialog, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
  }
  for (const Place& place : kPlaces) {
    MoveWindow(GetDlgItem(dialog, place.id), scale(place.box.left), scale(place.box.top),
               scale(place.box.right), scale(place.box.bottom), FALSE);
  }

  // The client area in pixels, centred on the owner.
  const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
  const DWORD ex_style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE));
  RECT frame = {0, 0, scale(kClient.cx), scale(kClient.cy)};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT owner{};
  HWND parent = GetWindow(dialog, GW_OWNER);
  if (parent == nullptr || !GetWindowRect(parent, &owner)) {
    owner = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const int x = owner.left + (owner.right - owner.left - width) / 2;
  const int y = owner.top + (owner.bottom - owner.top - height) / 2;
  SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK AboutBox::Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<AboutBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      reinterpret_cast<AboutBox*>(lparam)->OnInit(dialog);
      return TRUE;
    case WM_COMMAND:
      // OK, Enter, Escape and the close box all unload the box; the next
      // Show builds it afresh.
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        DestroyWindow(dialog);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_NCDESTROY:
      if (self != nullptr) {
        self->window_.release();  // already on its way out
        self->label_font_.reset();
        self->icon_.reset();
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace norvale::win32
