// A modal input box: prompt, edit field, OK and Cancel.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace norvale::win32 {

// The text on OK (possibly empty), nullopt on Cancel or when the box cannot
// be shown. UTF-8 in and out.
std::optional<std::string> InputBox(HWND owner, std::string_view prompt, std::string_view title,
                                    std::string_view default_text);

}  // namespace norvale::win32
