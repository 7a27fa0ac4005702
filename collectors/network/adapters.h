// Network adapters with IP enabled, and the host name and DNS servers they
// leave behind for the LAN identity collector.
#pragma once

#include <string>
#include <string_view>

#include "core/context.h"

namespace norvale {

// Records eight rows per adapter with IP enabled; fills ctx.adapter.
void GetAdapter(Context& ctx);

// A dotted IPv4 address in the fixed-width form the rows show
// (192.168.1.10 -> 192.168.001.010, 0.0.0.0 -> "-"). Text without a dot comes
// back unchanged. An address of fewer than four parts records its own error
// row and gives empty text.
std::string IPConvert(Context& ctx, std::string_view address);

}  // namespace norvale
