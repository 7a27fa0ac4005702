// The device walk's own cost on an in-memory registry, at several tree sizes:
// time per instance should stay flat as the tree grows (BigO reports it).
// The same walk on Wine's registry: bench/wine/device_list.sh.
#include <benchmark/benchmark.h>

#include <string>

#include "collectors/hardware/devices.h"
#include "tests/fakes/fake_machine.h"

namespace {

using namespace norvale;

void BM_GetDeviceList(benchmark::State& state) {
  fakes::FakeMachine machine;
  fakes::AddDeviceTree(machine.registry, static_cast<int>(state.range(0)), 200);
  Context ctx(machine.platform);
  ctx.main.computer_name = "BENCH-PC01";
  ctx.main.settings.auto_save = AutoSave::kOn;
  for (auto _ : state) {
    ctx.main.next_row = 0;
    GetDeviceList(ctx);
  }
  if (ctx.main.next_row != state.range(0)) state.SkipWithError("not every device was recorded");
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GetDeviceList)->Arg(2500)->Arg(5000)->Arg(10000)->Complexity();

}  // namespace

BENCHMARK_MAIN();
