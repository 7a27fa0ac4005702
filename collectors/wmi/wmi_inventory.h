// Maker and model, BIOS, main board, chassis types, memory arrays and memory
// modules, as WMI reports them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/context.h"

namespace norvale {

// Records the rows of the "WMI" category.
void GetWMI(Context& ctx);

// The texts of the three code tables; nullopt codes (null values) and codes
// outside a table give the table's fallback.
std::string ChassisTypeText(std::optional<std::int64_t> code);
std::string MemoryTypeText(std::optional<std::int64_t> code);
std::string FormFactorText(std::optional<std::int64_t> code);

}  // namespace norvale
