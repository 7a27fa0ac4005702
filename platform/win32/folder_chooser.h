// The shell's folder chooser.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace norvale::win32 {

// Opens the chooser with `initial` selected. The chosen folder; nullopt when
// the user cancels; empty when the chosen item is no file-system folder.
std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                           std::string_view initial);

// The chooser's callback: selects the folder passed as `data` once the
// chooser is ready. Returns 0 in every case.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data);

}  // namespace norvale::win32
