#include "tests/unit/world.h"

namespace norvale::testing {
namespace {

using fakes::FakeWmiObject;
using platform::WmiValue;
using Wholes = std::vector<std::int64_t>;

constexpr std::int64_t kGiBinKB = 1024 * 1024;

FakeWmiObject Module(const char* slot, WmiValue capacity, std::int64_t type, std::int64_t form) {
  return {{"DeviceLocator", slot},
          {"Capacity", std::move(capacity)},
          {"Speed", std::int64_t{1600}},
          {"FormFactor", form},
          {"MemoryType", type}};
}

}  // namespace

void World::FillWmi(fakes::FakeWmi& wmi) {
  wmi.Set(kWmiSystem, {{{"Manufacturer", "  Contoso Ltd.  "}, {"Model", "Deskmaster 5 "}}});
  wmi.Set(kWmiBios, {{{"Manufacturer", "Contoso"},
                      {"Name", " BIOS Date: 04/01/21 "},
                      {"Version", "CONTOS - 1072009"},
                      {"ReleaseDate", "20210401000000.000000+000"},
                      {"SerialNumber", " SN-0001 "}}});
  wmi.Set(kWmiBoard, {{{"Manufacturer", "Contoso"},
                       {"Product", "B450M"},
                       {"SerialNumber", WmiValue{}},
                       {"Version", "1.0"}}});
  wmi.Set(kWmiEnclosure, {{{"ChassisTypes", Wholes{3, 9}}}});
  wmi.Set(kWmiArrays, {{{"MaxCapacity", 16 * kGiBinKB}, {"MemoryDevices", std::int64_t{2}}},
                       {{"MaxCapacity", 16 * kGiBinKB}, {"MemoryDevices", std::int64_t{2}}}});
  wmi.Set(kWmiModules,
          {Module("DIMM 0", "8589934592", 24, 8), Module("DIMM 1", "1610612736", 20, 12),
           Module("DIMM 2", WmiValue{}, 17, 8)});
}

}  // namespace norvale::testing
