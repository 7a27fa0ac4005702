#include "app/saving.h"

#include <memory>

#include "app/full_run.h"
#include "core/recording.h"
#include "core/result_file_sink.h"
#include "core/result_labels.h"
#include "core/ui_texts.h"

namespace norvale {
namespace {

std::string Extension(const MainState& m) { return m.settings.tab_separated() ? ".tsv" : ".csv"; }

std::string DefaultSaveFolder(Context& ctx) {
  if (ctx.main.settings.auto_save == AutoSave::kOff) {
    return ctx.os.system.SpecialFolderPath(platform::SpecialFolder::kDesktop);
  }
  return ctx.os.system.ProgramFolder();
}

std::string SavedMessage(const Context& ctx) {
  const std::string path = ResultFilePath(ctx);
  if (ctx.IsJapanese()) return path + kMessageSavedJapaneseSuffix;
  return kMessageSavedEnglishPrefix + path + kMessageSavedEnglishSuffix;
}

std::string NotSavedMessage(const Context& ctx, const Failure& failure) {
  return ctx.Label(kMessageNotSaved) + failure.description();
}

// Puts the finished temporary file in place: first a copy beside the result
// file, then one rename over it, so an interrupted save never leaves a
// truncated result or loses the previous one.
void PublishResult(Context& ctx, const std::string& temp_path, const std::string& target) {
  // Two saves of one computer at once (a logon script beside a scheduled
  // task) each copy to a name of their own.
  const std::string partial = target + "." + std::to_string(ctx.os.system.ProcessId()) + ".part";
  try {
    ctx.os.files.Copy(temp_path, partial);
    ctx.os.files.Replace(partial, target);
  } catch (const Failure&) {
    try {
      ctx.os.files.Remove(partial);
    } catch (const Failure&) {
      // The copy failed before it created anything; the first error says why.
    }
    throw;
  }
}

// Runs a full collection whose rows also go to the file at `path`, behind
// the rows shown. A row that did not reach the file spoils the file: the
// previous result stays in place rather than a copy with rows missing.
void WriteResultFile(Context& ctx, const std::string& path) {
  const std::unique_ptr<platform::LineWriter> file = ctx.os.files.OpenAppend(path);
  ResultFileSink to_file(ctx, *file, ctx.main.rows);
  {
    const RowSinkScope saving(ctx, to_file);
    RunFullCollection(ctx);
  }
  file->Close();
  if (to_file.first_failure()) throw *to_file.first_failure();
}

}  // namespace

std::string ResultFilePath(const Context& ctx) {
  return ctx.main.settings.folder + "\\" + ctx.main.computer_name + Extension(ctx.main);
}

bool SaveResultFile(Context& ctx) {
  MainState& m = ctx.main;
  std::string temp_path;
  try {
    temp_path = ctx.os.files.CreateTempFile(ctx.os.system.TempFolder(), "~Norvale");
    WriteResultFile(ctx, temp_path);
    if (m.settings.folder.empty()) m.settings.folder = DefaultSaveFolder(ctx);
    PublishResult(ctx, temp_path, ResultFilePath(ctx));
    ctx.os.files.Remove(temp_path);
  } catch (const Failure& failure) {
    // Leave no stray temporary file behind (the file itself was closed, and
    // rows stopped going to it, when the writing ended).
    if (!temp_path.empty()) {
      try {
        ctx.os.files.Remove(temp_path);
      } catch (const Failure&) {
        // Reported by the error row below well enough; nothing more to do.
      }
    }
    ErrorRow(ctx, kGroupDatasave, kModuleMain, failure);
    // The window says so where it would have confirmed the save.
    if (m.settings.auto_save == AutoSave::kOff) {
      ctx.os.ui.ShowMessage(NotSavedMessage(ctx, failure), platform::MessageIcon::kExclamation);
    }
    return false;
  }
  if (m.settings.auto_save == AutoSave::kOff) {
    ctx.os.ui.ShowMessage(SavedMessage(ctx), platform::MessageIcon::kInformation);
  }
  return true;
}

void OnSaveTimer(Context& ctx, std::uintptr_t timer) {
  bool saved = false;
  Guarded(ctx, kGroupTimer, kModuleMain, [&] {
    ctx.os.ui.KillTimer(timer);
    saved = SaveResultFile(ctx);
  });
  // Logon scripts and schedulers see from the exit code whether the file
  // was written.
  ctx.os.ui.EndProgram(saved ? kExitSuccess : kExitFailure);
}

}  // namespace norvale
