// Chart labels fitted to the room beside their bars.
#pragma once

#include <string>
#include <string_view>

namespace norvale::fleet {

// A label cut to about `width` columns (East Asian wide characters count
// two), with an ellipsis when something was cut.
std::string ShortenLabel(std::string_view text, int width);

}  // namespace norvale::fleet
