#include "app/about_box.h"

#include "core/version.h"

namespace norvale {

platform::AboutBoxTexts Form2_Load(const Context& ctx) {
  // The version line is the main window's title; the maker and the button
  // read the same in every language.
  return {ctx.Label("バージョン情報", "Version"), VersionText(), "KESTREL WORKS", "OK"};
}

}  // namespace norvale
