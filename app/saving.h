// Saving the result file, and the timer of automatic mode.
#pragma once

#include <cstdint>
#include <string>

#include "core/context.h"

namespace norvale {

// Exit codes of the program: an automatic run that did not write its result
// file ends with kExitFailure.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;

// Runs a fresh full collection into a temporary file and puts it in the save
// folder as "<computer name>.tsv" or ".csv". True when the file was written;
// a failure leaves the previous file as it was and records the error row.
bool SaveResultFile(Context& ctx);

// The automatic-mode timer `timer` fired: save once and end the program,
// with kExitFailure when nothing was saved.
void OnSaveTimer(Context& ctx, std::uintptr_t timer);

// The path the result file is saved under with the current settings.
std::string ResultFilePath(const Context& ctx);

}  // namespace norvale
