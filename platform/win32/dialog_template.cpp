#include "platform/win32/dialog_template.h"

#include <cstdlib>

#include "platform/win32/scoped_handle.h"

namespace norvale::win32 {

DialogTemplate::DialogTemplate(DWORD style, DWORD ex_style, short width, short height,
                               std::wstring_view title, std::wstring_view font_face,
                               WORD point_size) {
  PutDword(style | DS_SETFONT);
  PutDword(ex_style);
  count_index_ = words_.size();
  PutWord(0);  // cdit, counted by AddControl
  PutWord(0);  // x
  PutWord(0);  // y
  PutWord(static_cast<WORD>(width));
  PutWord(static_cast<WORD>(height));
  PutWord(0);  // no menu
  PutWord(0);  // the standard dialog class
  PutText(title);
  PutWord(point_size);
  PutText(font_face);
}

void DialogTemplate::AddControl(ControlClass control, WORD id, DWORD style, short x, short y,
                                short width, short height, std::wstring_view text) {
  AlignDword();
  PutDword(style | WS_CHILD | WS_VISIBLE);
  PutDword(0);  // extended style
  PutWord(static_cast<WORD>(x));
  PutWord(static_cast<WORD>(y));
  PutWord(static_cast<WORD>(width));
  PutWord(static_cast<WORD>(height));
  PutWord(id);
  PutWord(0xFFFF);
  PutWord(static_cast<WORD>(control));
  PutText(text);
  PutWord(0);  // no creation data
  ++words_[count_index_];
}

void DialogTemplate::PutDword(DWORD d) {
  PutWord(LOWORD(d));
  PutWord(HIWORD(d));
}

void DialogTemplate::PutText(std::wstring_view text) {
  for (wchar_t c : text) PutWord(static_cast<WORD>(c));
  PutWord(0);
}

void DialogTemplate::AlignDword() {
  if (words_.size() % 2 != 0) PutWord(0);
}

DialogFont MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    return {L"MS Shell Dlg", 8};
  }
  const WindowDc screen = GetWindowDc(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get().dc, LOGPIXELSY) : 96;
  const int height = std::abs(metrics.lfMessageFont.lfHeight);
  const int points = height > 0 ? MulDiv(height, 72, dpi) : 9;
  return {metrics.lfMessageFont.lfFaceName, static_cast<WORD>(points > 0 ? points : 9)};
}

}  // namespace norvale::win32
