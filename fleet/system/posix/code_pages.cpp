#include "fleet/system/code_pages.h"

#include <iconv.h>

#include <cerrno>

namespace norvale::fleet {
namespace {

const char* IconvName(CodePage page) { return page == CodePage::kShiftJis ? "CP932" : "CP1252"; }

// One conversion through iconv, in steps of a fixed buffer so that the output
// never needs a guess of its size. Returns the input offset where it stopped
// (npos when all of it converted).
std::size_t Convert(const char* to, const char* from, std::string_view in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char buffer[16384];
  bool ok = true;
  bool flushed = false;
  while (ok && !flushed) {
    char* dst = buffer;
    std::size_t dst_left = sizeof buffer;
    std::size_t rc;
    if (src_left > 0) {
      rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    } else {
      rc = iconv(cd, nullptr, nullptr, &dst, &dst_left);
      flushed = rc != static_cast<std::size_t>(-1);
    }
    // Taken before the append, whose allocation may change errno.
    const int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
    out.append(buffer, sizeof buffer - dst_left);
    // E2BIG only means the buffer is full: go round again.
    if (error != 0 && error != E2BIG) ok = false;
  }
  iconv_close(cd);
  return ok ? std::string_view::npos : in.size() - src_left;
}

}  // namespace

std::size_t DecodeCodePage(std::string_view bytes, CodePage page, std::string& out) {
  return Convert("UTF-8", IconvName(page), bytes, out);
}

bool EncodeCodePage(std::string_view utf8, CodePage page, std::string& out) {
  return Convert(IconvName(page), "UTF-8", utf8, out) == std::string_view::npos;
}

}  // namespace norvale::fleet
