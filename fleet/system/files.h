// Writing a file that others read, the fleet's own OS layer (one
// implementation per system).
#pragma once

#include <string>
#include <string_view>

namespace norvale::fleet {

// Replaces `path` with `bytes` as one step: the bytes go to a new temporary
// file beside it, created exclusively under a name nobody else chose (never
// through a link that stands where the temporary file would be), which then
// takes the place of `path`. A link at `path` itself is replaced, not
// followed. Throws std::runtime_error naming the file and the system's
// reason; the previous file is then as it was and no temporary file stays.
void ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace norvale::fleet
