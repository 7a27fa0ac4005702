// The modeless about box: icon, version line, maker, OK.
#pragma once

#include <windows.h>

#include "platform/ui.h"
#include "platform/win32/scoped_handle.h"

namespace norvale::win32 {

class AboutBox {
 public:
  // `icon` names the program's icon resource in `instance`.
  AboutBox(HINSTANCE instance, const wchar_t* icon) : instance_(instance), icon_name_(icon) {}
  ~AboutBox();
  AboutBox(const AboutBox&) = delete;
  AboutBox& operator=(const AboutBox&) = delete;

  // Creates the box centred on `owner`, or brings the open one to the front:
  // there is one at most.
  void Show(HWND owner, const platform::AboutBoxTexts& texts);
  // The open box, or nullptr; the message loop passes it to IsDialogMessage.
  HWND window() const { return window_.get(); }

 private:
  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  void OnInit(HWND dialog);

  HINSTANCE instance_;
  const wchar_t* icon_name_;
  WindowHandle window_;
  FontHandle label_font_;
  IconHandle icon_;
};

}  // namespace norvale::win32
