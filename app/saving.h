// Saving the result file, and the timer of automatic mode.
#pragma once

#include <string>

#include "core/context.h"

namespace norvale {

// Runs a fresh full collection into a temporary file and puts it in the save
// folder as "<computer name>.tsv" or ".csv".
void SaveResultFile(Context& ctx);

// The automatic-mode timer fired: save once and end the program.
void OnSaveTimer(Context& ctx);

// The path the result file is saved under with the current settings.
std::string ResultFilePath(const Context& ctx);

}  // namespace norvale
