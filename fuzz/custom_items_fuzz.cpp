// The custom-item entries of the settings file: whatever the [REGISTRY] and
// [FILEINFO] sections hold, the collector records whole rows, ends with at
// most one error row, and every line it writes reads back as seven fields.
#include <fuzzer/FuzzedDataProvider.h>

#include "collectors/software/other_items.h"
#include "core/profile.h"
#include "fuzz/fuzz_check.h"
#include "tests/fakes/fake_machine.h"

namespace {

using norvale::platform::RegRoot;

void FillMachine(norvale::fakes::FakeMachine& m) {
  const char* key = "SOFTWARE\\Probe";
  m.registry.SetString(RegRoot::kLocalMachine, key, "Text", "left\xEF\xBC\x8Cright \"q\"");
  m.registry.SetString(RegRoot::kLocalMachine, key, "Quoted",
                       "\"C:\\Program Files\\App\\app.exe\" /S");
  m.registry.SetDword(RegRoot::kLocalMachine, key, "Dword", 0xFFFFFFFFu);
  m.registry.SetString(RegRoot::kCurrentUser, key, "Long", std::string(300, 'x'));
  m.files.Put("C:\\Apps\\tool.exe", "MZ");
  m.files.versions["C:\\APPS\\TOOL.EXE"] = "1.2.3.4";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool tabs = in.ConsumeBool();
  const std::string ini = in.ConsumeRemainingBytesAsString();

  norvale::fakes::FakeMachine machine;
  FillMachine(machine);
  machine.locale.ascii_code_page = true;
  norvale::Context ctx{machine.platform};
  ctx.main.computer_name = "PC,01";
  ctx.main.settings.save_type = tabs ? norvale::SaveType::kTab : norvale::SaveType::kComma;
  ctx.main.list = &machine.ui.CreateResultList("font", 200);
  machine.files.Put(norvale::SettingsPath(machine.platform), ini);
  const std::string out = "C:\\Temp\\out.tmp";
  machine.files.AddFolder("C:\\Temp");
  ctx.main.result_file = machine.files.OpenAppend(out);
  ctx.main.writing_result_file = true;

  norvale::GetOtherItems(ctx);
  ctx.main.result_file->Close();

  size_t errors = 0;
  for (const auto& row : machine.ui.rows) {
    FUZZ_CHECK(row.size() == 7);
    FUZZ_CHECK(row[1] == "OTHER");
    FUZZ_CHECK(row[2] == "REGISTRY" || row[2] == "FILEINFO" || row[2] == "error");
    errors += row[2] == "error";
  }
  FUZZ_CHECK(errors <= 1);
  FUZZ_CHECK(machine.ui.rows.size() <= 2 * 99 + 1);

  // The file holds the same rows, each one line of seven fields.
  const std::string file = machine.files.Get(out).value_or("");
  size_t lines = 0;
  std::vector<std::string> fields;
  for (size_t start = 0; start < file.size();) {
    size_t end = file.find("\r\n", start);
    // A comma-mode field may hold a quoted line break: read on to the record's end.
    while (end != std::string::npos &&
           !norvale::fuzz::ReadRecord(std::string_view(file).substr(start, end - start),
                                      tabs ? '\t' : ',', fields)) {
      end = file.find("\r\n", end + 2);
    }
    FUZZ_CHECK(end != std::string::npos);
    FUZZ_CHECK(fields.size() == 7);
    FUZZ_CHECK(fields[0] == "PC,01");
    FUZZ_CHECK(lines < machine.ui.rows.size());
    for (size_t k = 0; k < 7; ++k) {
      std::string want = machine.locale.ToAnsi(machine.ui.rows[lines][k]);
      if (tabs) {
        for (char& c : want) {
          if (c == '\t' || c == '\r' || c == '\n') c = ' ';
        }
      }
      FUZZ_CHECK(fields[k] == want);
    }
    ++lines;
    start = end + 2;
  }
  FUZZ_CHECK(lines == machine.ui.rows.size());
  return 0;
}
