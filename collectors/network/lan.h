// How the computer is known on the local network: domain or workgroup, user,
// computer and host name, DNS servers and the server comment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "collectors/network/adapters.h"
#include "core/context.h"

namespace norvale {

// Records the LAN identity rows; the host name and DNS servers are the ones
// GetAdapter found.
void GetLan(Context& ctx, const AdapterNames& adapter);

// The user the program runs as. Throws Failure when Windows cannot say.
std::string GetUserNameText(Context& ctx);

// A name as the local security authority stores it, as UTF-8.
std::string LsaNameText(std::u16string_view name);

// The message shown when the local policy cannot be opened.
std::string LsaOpenFailedMessage(Context& ctx, std::uint32_t status);

}  // namespace norvale
