// The address conversion: four dotted parts in fixed width, its own error
// row for fewer, text without a dot untouched, and never a crash.
#include "app/list_sink.h"
#include "collectors/network/adapters.h"
#include "fuzz/fuzz_check.h"
#include "tests/fakes/fake_machine.h"

namespace {

bool AllDigits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string address(reinterpret_cast<const char*>(data), size);
  norvale::fakes::FakeMachine machine;
  norvale::Context ctx{machine.platform};
  ctx.main.computer_name = "PC01";
  norvale::ListSink shown(ctx, &machine.ui.CreateResultList("font", 200));
  ctx.main.rows = &shown;

  const std::string result = norvale::FixedWidthAddress(ctx, address);
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t dot = address.find('.', start);
    parts.push_back(std::string_view(address).substr(start, dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (parts.size() == 1) {
    FUZZ_CHECK(result == address);
    FUZZ_CHECK(machine.ui.rows.empty());
    return 0;
  }
  if (parts.size() < 4) {
    FUZZ_CHECK(result.empty());
    FUZZ_CHECK(machine.ui.rows.size() == 1);
    FUZZ_CHECK(machine.ui.rows[0].size() == 7 && machine.ui.rows[0][2] == "error");
    return 0;
  }
  FUZZ_CHECK(machine.ui.rows.empty());
  if (result == "-") return 0;
  FUZZ_CHECK(std::count(result.begin(), result.end(), '.') == 3);
  // Short runs of digits are padded to three, as the rows have always shown.
  bool short_digits = true;
  std::string want;
  for (size_t i = 0; i < 4; ++i) {
    if (!AllDigits(parts[i]) || parts[i].size() > 3) short_digits = false;
    if (i > 0) want += '.';
    want += std::string(3 - std::min<size_t>(3, parts[i].size()), '0') + std::string(parts[i]);
  }
  if (short_digits) FUZZ_CHECK(result == want);
  return 0;
}
