// The input box, the folder chooser and the about box, answered by a thread
// timer that runs inside their message loops the way a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "platform/win32/about_box.h"
#include "platform/win32/dialog_template.h"
#include "platform/win32/folder_chooser.h"
#include "platform/win32/input_box.h"

namespace norvale::win32 {
namespace {

// Runs `act` on the first top-level window of this thread with class
// "#32770" (a dialog) once it exists, from inside whatever modal loop runs.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(HWND)> act) : act_(std::move(act)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &DialogDriver::Tick);
  }
  ~DialogDriver() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool acted() const { return acted_; }

 private:
  static BOOL CALLBACK Find(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver* self = current_;
    if (self == nullptr || self->acted_) return;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;
    self->acted_ = true;
    self->act_(dialog);
  }

  static inline DialogDriver* current_ = nullptr;
  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
  bool acted_ = false;
};

std::wstring ChildText(HWND dialog, int id) {
  wchar_t text[512] = {};
  GetDlgItemTextW(dialog, id, text, 512);
  return text;
}

void Press(HWND dialog, int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

TEST(InputBox, ShowsPromptAndDefaultAndReturnsTheTypedText) {
  struct Case {
    const wchar_t* typed;  // nullptr: keep the default
    int button;
    std::optional<std::string> expected;
  } cases[] = {
      {nullptr, IDOK, "15"}, {L"2.5", IDOK, "2.5"},
      {L"", IDOK, ""},       {L"abc", IDCANCEL, std::nullopt},
      {L"秒", IDOK, "秒"},
  };
  for (const auto& c : cases) {
    std::wstring prompt, title, initial;
    DialogDriver driver([&](HWND dialog) {
      wchar_t text[256] = {};
      GetWindowTextW(dialog, text, 256);
      title = text;
      prompt = ChildText(dialog, 100);
      initial = ChildText(dialog, 101);
      if (c.typed != nullptr) SetDlgItemTextW(dialog, 101, c.typed);
      Press(dialog, c.button);
    });
    const auto answer = InputBox(nullptr, "データを保存時に遅延を発生する場合に入力（単位:秒）",
                                 "遅延時間設定", "15");
    ASSERT_TRUE(driver.acted());
    EXPECT_EQ(answer, c.expected);
    EXPECT_EQ(title, L"遅延時間設定");
    EXPECT_EQ(prompt, L"データを保存時に遅延を発生する場合に入力（単位:秒）");
    EXPECT_EQ(initial, L"15");
  }
}

TEST(InputBox, PromptFitsOnOneLine) {
  const std::string prompt = "データを保存時に遅延を発生する場合に入力（単位:秒）";
  int label_width = 0;
  int needed = 0;
  DialogDriver driver([&](HWND dialog) {
    HWND label = GetDlgItem(dialog, 100);
    RECT r{};
    GetClientRect(label, &r);
    label_width = r.right;
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    const std::wstring wide = Wide(prompt);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    needed = size.cx;
    Press(dialog, IDCANCEL);
  });
  InputBox(nullptr, prompt, "遅延時間設定", "0");
  ASSERT_TRUE(driver.acted());
  EXPECT_GT(needed, 0);
  EXPECT_GE(label_width, needed);
}

TEST(FolderChooser, OpensOnTheInitialFolderAndReturnsIt) {
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::string initial = Utf8(windows);
  DialogDriver driver([](HWND dialog) { Press(dialog, IDOK); });
  const auto chosen = BrowseForFolder(nullptr, "フォルダを指定してください", initial);
  ASSERT_TRUE(driver.acted());
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(CharUpperW(Wide(*chosen).data()), std::wstring(CharUpperW(windows)));
}

TEST(FolderChooser, CancelIsNoChoice) {
  // Cancel must be told apart from choosing the initial folder: the caller
  // then changes nothing.
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  DialogDriver driver([](HWND dialog) { Press(dialog, IDCANCEL); });
  EXPECT_EQ(BrowseForFolder(nullptr, "フォルダを指定してください", Utf8(windows)), std::nullopt);
  EXPECT_TRUE(driver.acted());
}

TEST(AboutBox, OneBoxWithItsTextsAndSize) {
  AboutBox about(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  const platform::AboutBoxTexts texts{"Version", "Norvale Ver 1.3.3", "KESTREL WORKS", "OK"};
  about.Show(nullptr, texts);
  HWND box = about.window();
  ASSERT_NE(box, nullptr);
  about.Show(nullptr, texts);
  EXPECT_EQ(about.window(), box) << "shown again, not a second box";

  wchar_t title[64] = {};
  GetWindowTextW(box, title, 64);
  EXPECT_STREQ(title, L"Version");
  EXPECT_EQ(ChildText(box, 100), L"Norvale Ver 1.3.3");
  EXPECT_EQ(ChildText(box, 101), L"KESTREL WORKS");
  EXPECT_EQ(ChildText(box, IDOK), L"OK");
  EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);

  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  RECT client{};
  GetClientRect(box, &client);
  EXPECT_EQ(client.right, MulDiv(269, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(114, dpi, 96));
  RECT button{};
  GetWindowRect(GetDlgItem(box, IDOK), &button);
  EXPECT_EQ(button.right - button.left, MulDiv(89, dpi, 96));

  Press(box, IDOK);
  EXPECT_EQ(about.window(), nullptr);
  EXPECT_FALSE(IsWindow(box));
  about.Show(nullptr, {"バージョン情報", "Norvale Ver 1.3.3", "KESTREL WORKS", "OK"});
  ASSERT_NE(about.window(), nullptr);
  GetWindowTextW(about.window(), title, 64);
  EXPECT_STREQ(title, L"バージョン情報");
}

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

TEST(AboutBox, LabelsInMeiryoOrTheDialogFont) {
  HDC screen = GetDC(nullptr);
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, L"メイリオ", LF_FACESIZE);
  bool meiryo = false;
  EnumFontFamiliesExW(screen, &query, FoundFace, reinterpret_cast<LPARAM>(&meiryo), 0);
  ReleaseDC(nullptr, screen);

  AboutBox about(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  about.Show(nullptr, {"Version", "Norvale Ver 1.3.3", "KESTREL WORKS", "OK"});
  HWND box = about.window();
  ASSERT_NE(box, nullptr);
  const auto font_of = [box](int id) {
    return reinterpret_cast<HFONT>(SendDlgItemMessageW(box, id, WM_GETFONT, 0, 0));
  };
  const HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
  EXPECT_EQ(font_of(100), font_of(101)) << "both labels share one font";
  EXPECT_EQ(font_of(IDOK), dialog_font) << "the button keeps the dialog font";
  if (meiryo) {
    LOGFONTW label{};
    ASSERT_NE(GetObjectW(font_of(100), sizeof label, &label), 0);
    EXPECT_STREQ(label.lfFaceName, L"メイリオ");
    EXPECT_EQ(label.lfWeight, FW_NORMAL);
    EXPECT_EQ(label.lfCharSet, SHIFTJIS_CHARSET);
  } else {
    EXPECT_EQ(font_of(100), dialog_font) << "without Meiryo the labels keep the dialog font";
  }
  Press(box, IDOK);
}

}  // namespace
}  // namespace norvale::win32
