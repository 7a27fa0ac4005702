#include "core/saving.h"

#include "core/full_run.h"
#include "core/recording.h"
#include "core/result_labels.h"

namespace norvale {
namespace {

std::string Extension(const MainState& m) { return m.SaveType == "TSV" ? ".tsv" : ".csv"; }

std::string DefaultSaveFolder(Context& ctx) {
  if (IsAutoSaveOff(ctx.main.AutoSave)) {
    return ctx.os.system.SpecialFolderPath(platform::SpecialFolder::kDesktop);
  }
  return ctx.os.system.ProgramFolder();
}

std::string SavedMessage(const Context& ctx) {
  const std::string path = ResultFilePath(ctx);
  if (ctx.IsJapanese()) return path + " に保存しました";
  return "saved to an '" + path + "'";
}

// Puts the finished temporary file in place: first a copy beside the result
// file, then one rename over it, so an interrupted save never leaves a
// truncated result or loses the previous one.
void PublishResult(Context& ctx, const std::string& temp_path, const std::string& target) {
  const std::string partial = target + ".part";
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

}  // namespace

std::string ResultFilePath(const Context& ctx) {
  return ctx.main.SaveFolder + "\\" + ctx.main.ComputerName + Extension(ctx.main);
}

void Datasave(Context& ctx) {
  MainState& m = ctx.main;
  std::string temp_path;
  try {
    temp_path = ctx.os.files.CreateTempFile(ctx.os.system.TempFolder(), "~Norvale");
    m.FileOutputOn = 1;
    m.ResultFileNumber = ctx.os.files.OpenAppend(temp_path);
    showall(ctx);
    m.ResultFileNumber->Close();
    m.ResultFileNumber.reset();
    if (m.SaveFolder.empty()) m.SaveFolder = DefaultSaveFolder(ctx);
    PublishResult(ctx, temp_path, ResultFilePath(ctx));
    ctx.os.files.Remove(temp_path);
    m.FileOutputOn = 0;
  } catch (const Failure& failure) {
    // Leave nothing half done behind: no open file, no stray temporary file,
    // and later rows no longer go to a file.
    m.ResultFileNumber.reset();
    m.FileOutputOn = 0;
    if (!temp_path.empty()) {
      try {
        ctx.os.files.Remove(temp_path);
      } catch (const Failure&) {
        // Reported by the error row below well enough; nothing more to do.
      }
    }
    ErrorRow(ctx, kGroupDatasave, kModuleMain, failure);
    return;
  }
  if (IsAutoSaveOff(m.AutoSave)) {
    ctx.os.ui.ShowMessage(SavedMessage(ctx), platform::MessageIcon::kInformation);
  }
}

void TimerProc(Context& ctx) {
  Guarded(ctx, kGroupTimer, kModuleMain, [&] {
    ctx.os.ui.KillTimer(ctx.main.SaveTimerId);
    Datasave(ctx);
  });
  ctx.os.ui.EndProgram();
}

}  // namespace norvale
