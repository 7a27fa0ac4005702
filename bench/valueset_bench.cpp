// Rows recorded per second through RecordValues into a real result file, as
// during a save in automatic mode. Goal: at least 500,000 rows/s.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "core/recording.h"
#include "core/result_file_sink.h"
#include "tests/fakes/fake_machine.h"

namespace {

using namespace norvale;

// Appends to a real file through the C library's buffer, like the Windows build.
class StdioWriter : public platform::LineWriter {
 public:
  explicit StdioWriter(const char* path) : file_(std::fopen(path, "wb")) {
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  }
  ~StdioWriter() override { Close(); }
  void Write(std::string_view bytes) override { std::fwrite(bytes.data(), 1, bytes.size(), file_); }
  void Close() override {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
  }

 private:
  FILE* file_;
};

// One iteration is one save of 10,000 rows into a fresh file: the size of a
// large inventory, small enough that the page cache takes it as a real save would.
constexpr int kRowsPerSave = 10000;

void RecordRows(benchmark::State& state, const char* save_type) {
  fakes::FakeMachine machine;
  Context ctx(machine.platform);
  ctx.main.computer_name = "BENCH-PC01";
  ctx.main.settings.auto_save = AutoSave::kOn;
  ctx.main.settings.save_type = ParseSaveType(save_type);
  for (auto _ : state) {
    StdioWriter file("/tmp/norvale-bench.tsv");
    ResultFileSink to_file(ctx, file, nullptr);
    ctx.main.rows = &to_file;
    for (int i = 0; i < kRowsPerSave; ++i) {
      RecordRow(ctx, std::string("Soft"), std::string("Application"),
                std::string("Contoso Office Professional Plus, 2021"),
                std::string("16.0.14332.20447"), std::string("Contoso Corporation"));
    }
    file.Close();
  }
  state.SetItemsProcessed(state.iterations() * kRowsPerSave);
}

void BM_ValueSetTsv(benchmark::State& state) { RecordRows(state, "TSV"); }
void BM_ValueSetCsv(benchmark::State& state) { RecordRows(state, "CSV"); }
BENCHMARK(BM_ValueSetTsv)->UseRealTime();
BENCHMARK(BM_ValueSetCsv)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
