// A stream buffer that writes UTF-8 text to a Windows handle: WriteConsoleW
// on a console, UTF-8 bytes otherwise (with a byte-order mark when the
// handle is a file written from its start).
#pragma once

#include <windows.h>

#include <streambuf>
#include <string>

namespace norvale::fleet::win32 {

class HandleStreamBuffer final : public std::streambuf {
 public:
  explicit HandleStreamBuffer(HANDLE handle);
  ~HandleStreamBuffer() override;

  bool console() const { return kind_ == Kind::kConsole; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  enum class Kind { kConsole, kFile, kOther };
  // Writes what is pending up to the last whole UTF-8 character (all of it
  // when `everything`: the stream is ending).
  bool Flush(bool everything);
  bool WriteToConsole(const std::string& utf8);
  bool WriteBytes(const char* bytes, std::size_t count);

  HANDLE handle_;
  Kind kind_ = Kind::kOther;
  bool virtual_terminal_ = false;  // the console itself understands "\x1b[K"
  bool started_ = false;
  std::string pending_;
};

// The length of the longest prefix of `utf8` that does not end inside a
// character: a character cut at a buffer's end waits for its other bytes.
std::size_t WholeCharactersPrefix(const std::string& utf8);

}  // namespace norvale::fleet::win32
