// Stored text written into HTML, for element content and attribute values
// alike.
#pragma once

#include <string>
#include <string_view>

namespace norvale::fleet {

// & < > " ' become entities, bytes that are not UTF-8 become U+FFFD, control
// characters other than tab and line breaks become spaces.
std::string HtmlEscape(std::string_view text);
void AppendHtmlEscaped(std::string& out, std::string_view text);

}  // namespace norvale::fleet
