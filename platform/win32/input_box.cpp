#include "platform/win32/input_box.h"

#include <algorithm>

#include "platform/win32/dialog_template.h"
#include "platform/win32/scoped_handle.h"

namespace norvale::win32 {
namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;

// Dialog units. The prompt has a line of its own above the edit field; the
// box grows at start when the prompt needs more room than this.
constexpr short kWidth = 240;
constexpr short kMargin = 7;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;

// The button speaks the system's language, as message boxes do.
const wchar_t* CancelText() {
  return PRIMARYLANGID(LANGIDFROMLCID(GetSystemDefaultLCID())) == LANG_JAPANESE ? L"キャンセル"
                                                                                : L"Cancel";
}

struct State {
  std::wstring prompt;
  std::wstring default_text;
  std::optional<std::wstring> answer;
};

RECT ChildRect(HWND dialog, int id) {
  RECT r{};
  HWND child = GetDlgItem(dialog, id);
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void MoveChild(HWND dialog, int id, int dx, int dwidth) {
  const RECT r = ChildRect(dialog, id);
  MoveWindow(GetDlgItem(dialog, id), r.left + dx, r.top, r.right - r.left + dwidth,
             r.bottom - r.top, FALSE);
}

// Widens the box so that the prompt fits on one line, within the screen.
void FitPrompt(HWND dialog, const std::wstring& prompt) {
  HWND label = GetDlgItem(dialog, kPromptId);
  const WindowDc dc = GetWindowDc(label);
  if (!dc) return;
  HGDIOBJ old =
      SelectObject(dc.get().dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  SIZE needed{};
  GetTextExtentPoint32W(dc.get().dc, prompt.c_str(), static_cast<int>(prompt.size()), &needed);
  SelectObject(dc.get().dc, old);

  const RECT r = ChildRect(dialog, kPromptId);
  RECT frame{};
  GetWindowRect(dialog, &frame);
  const int room = GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left);
  const int grow = std::min<int>(needed.cx + 4 - (r.right - r.left), std::max(room - 16, 0));
  if (grow <= 0) return;
  MoveChild(dialog, kPromptId, 0, grow);
  MoveChild(dialog, kEditId, 0, grow);
  MoveChild(dialog, IDOK, grow, 0);
  MoveChild(dialog, IDCANCEL, grow, 0);
  SetWindowPos(dialog, nullptr, frame.left - grow / 2, frame.top, frame.right - frame.left + grow,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<State*>(lparam);
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      SetDlgItemTextW(dialog, kPromptId, state->prompt.c_str());
      SetDlgItemTextW(dialog, kEditId, state->default_text.c_str());
      FitPrompt(dialog, state->prompt);
      HWND edit = GetDlgItem(dialog, kEditId);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;  // focus set here
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
      const int id = LOWORD(wparam);
      if (id == IDOK) {
        HWND edit = GetDlgItem(dialog, kEditId);
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        const int length = GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<size_t>(std::max(length, 0)));
        state->answer = std::move(text);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return FALSE;
}

}  // namespace

std::optional<std::string> InputBox(HWND owner, std::string_view prompt, std::string_view title,
                                    std::string_view default_text) {
  const DialogFont font = MessageFont();
  constexpr short kInner = kWidth - 2 * kMargin;
  constexpr short kEditTop = kMargin + 12;
  constexpr short kButtonTop = kEditTop + 12 + 8;
  constexpr short kHeight = kButtonTop + kButtonHeight + kMargin;
  DialogTemplate dlg(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, kWidth,
                     kHeight, Wide(title), font.face, font.point_size);
  dlg.AddControl(ControlClass::kStatic, kPromptId, SS_LEFT | SS_NOPREFIX, kMargin, kMargin, kInner,
                 10);
  dlg.AddControl(ControlClass::kEdit, kEditId, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kMargin,
                 kEditTop, kInner, 12);
  dlg.AddControl(ControlClass::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP,
                 kWidth - kMargin - 2 * kButtonWidth - 4, kButtonTop, kButtonWidth, kButtonHeight,
                 L"OK");
  dlg.AddControl(ControlClass::kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP,
                 kWidth - kMargin - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight,
                 CancelText());

  State state{Wide(prompt), Wide(default_text), std::nullopt};
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dlg.get(), owner,
                                                 InputBoxProc, reinterpret_cast<LPARAM>(&state));
  if (result != IDOK || !state.answer) return std::nullopt;
  return Utf8(*state.answer);
}

}  // namespace norvale::win32
