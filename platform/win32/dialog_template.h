// In-memory dialog templates, so dialogs need no resource script.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/text.h"

namespace norvale::win32 {

// Predefined control classes, by their atoms.
enum class ControlClass : WORD { kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082 };

// A DLGTEMPLATE with its items, laid out as DialogBoxIndirectParamW and
// CreateDialogIndirectParamW expect: WORD-packed, each item DWORD-aligned.
class DialogTemplate {
 public:
  // Coordinates are dialog units. `font_face` and `point_size` give the
  // dialog font (DS_SETFONT is added).
  DialogTemplate(DWORD style, DWORD ex_style, short width, short height, std::wstring_view title,
                 std::wstring_view font_face, WORD point_size);

  void AddControl(ControlClass control, WORD id, DWORD style, short x, short y, short width,
                  short height, std::wstring_view text = {});

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void PutWord(WORD w) { words_.push_back(w); }
  void PutDword(DWORD d);
  void PutText(std::wstring_view text);
  void AlignDword();

  // Stored as WORDs: a vector of WORDs is always WORD-aligned, and DWORD
  // alignment is counted from its start, which new[] aligns further.
  std::vector<WORD> words_;
  size_t count_index_ = 0;
};

// The font message boxes use, as a face name and a point size.
struct DialogFont {
  std::wstring face;
  WORD point_size;
};
DialogFont MessageFont();

}  // namespace norvale::win32
