#include "app/about_box.h"

#include "core/ui_texts.h"
#include "core/version.h"

namespace norvale {

platform::AboutBoxTexts AboutBoxTextsFor(const Context& ctx) {
  // The version line is the main window's title; the maker and the button
  // read the same in every language.
  return {ctx.Label(kAboutTitle), VersionText(), kAboutMaker, kAboutOk};
}

}  // namespace norvale
