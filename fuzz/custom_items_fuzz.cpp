// The custom-item entries of the settings file: whatever the [REGISTRY] and
// [FILEINFO] sections hold, the collector records whole rows, ends with at
// most one error row, and every line it writes reads back as seven fields.
#include <fuzzer/FuzzedDataProvider.h>

#include "app/list_sink.h"
#include "collectors/software/other_items.h"
#include "core/profile.h"
#include "core/result_file_sink.h"
#include "core/result_line.h"
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
  norvale::ListSink shown(ctx, &machine.ui.CreateResultList("font", 200));
  machine.files.Put(norvale::SettingsPath(machine.platform), ini);
  const std::string out = "C:\\Temp\\out.tmp";
  machine.files.AddFolder("C:\\Temp");
  const auto writer = machine.files.OpenAppend(out);
  norvale::ResultFileSink to_file(ctx, *writer, &shown);
  ctx.main.rows = &to_file;

  norvale::GetOtherItems(ctx);
  writer->Close();

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
  norvale::ResultRecordReader reader(file, tabs ? '\t' : ',');
  norvale::ResultRecord record;
  norvale::RecordStatus status;
  while ((status = reader.Next(record)) == norvale::RecordStatus::kRecord) {
    const std::vector<std::string>& fields = record.fields;
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
  }
  FUZZ_CHECK(status == norvale::RecordStatus::kEnd);
  FUZZ_CHECK(lines == machine.ui.rows.size());
  return 0;
}
