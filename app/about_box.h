// The about box's texts, decided when it loads.
#pragma once

#include "core/context.h"

namespace norvale {

platform::AboutBoxTexts AboutBoxTextsFor(const Context& ctx);

}  // namespace norvale
