#include "fleet/system/console.h"

#include <windows.h>

#include <memory>
#include <ostream>

#include "platform/win32/fleet/console_stream.h"
#include "platform/win32/fleet/wide_text.h"

namespace norvale::fleet {
namespace win32 {
namespace {

constexpr std::size_t kFlushAt = 8192;
constexpr char kEraseToEndOfLine[] = "\x1b[K";

}  // namespace

std::size_t WholeCharactersPrefix(const std::string& utf8) {
  // Step back over at most three continuation bytes to the lead byte.
  std::size_t start = utf8.size();
  for (int back = 0; back < 4 && start > 0; ++back) {
    const auto byte = static_cast<unsigned char>(utf8[start - 1]);
    --start;
    if ((byte & 0xC0) != 0x80) {
      const std::size_t need = byte < 0x80    ? 1
                               : byte >= 0xF0 ? 4
                               : byte >= 0xE0 ? 3
                               : byte >= 0xC0 ? 2
                                              : 1;
      return utf8.size() - start >= need ? utf8.size() : start;
    }
  }
  return utf8.size();  // no lead byte near the end: nothing is waiting
}

HandleStreamBuffer::HandleStreamBuffer(HANDLE handle) : handle_(handle) {
  DWORD mode = 0;
  if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode)) {
    kind_ = Kind::kConsole;
    virtual_terminal_ = (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
                        SetConsoleMode(handle_, mode | ENABLE_PROCESSED_OUTPUT |
                                                    ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  } else if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
             GetFileType(handle_) == FILE_TYPE_DISK) {
    kind_ = Kind::kFile;
  }
}

HandleStreamBuffer::~HandleStreamBuffer() { Flush(true); }

HandleStreamBuffer::int_type HandleStreamBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  if (pending_.size() >= kFlushAt && !Flush(false)) return traits_type::eof();
  return c;
}

std::streamsize HandleStreamBuffer::xsputn(const char* text, std::streamsize count) {
  pending_.append(text, static_cast<std::size_t>(count));
  if (pending_.size() >= kFlushAt && !Flush(false)) return 0;
  return count;
}

int HandleStreamBuffer::sync() { return Flush(false) ? 0 : -1; }

bool HandleStreamBuffer::Flush(bool everything) {
  const std::size_t whole = everything ? pending_.size() : WholeCharactersPrefix(pending_);
  if (whole == 0) return true;
  const std::string text = pending_.substr(0, whole);
  pending_.erase(0, whole);
  if (kind_ == Kind::kConsole) return WriteToConsole(text);
  if (!started_) {
    started_ = true;
    // A file written from its start gets the byte-order mark; one appended
    // to (>>) or a pipe does not.
    LARGE_INTEGER zero{}, position{};
    if (kind_ == Kind::kFile && SetFilePointerEx(handle_, zero, &position, FILE_CURRENT) &&
        position.QuadPart == 0 && !WriteBytes("\xEF\xBB\xBF", 3)) {
      return false;
    }
  }
  return WriteBytes(text.data(), text.size());
}

bool HandleStreamBuffer::WriteToConsole(const std::string& utf8) {
  std::size_t from = 0;
  while (from < utf8.size()) {
    // Without the console's own escape handling, "erase to the end of the
    // line" (the progress line's only sequence) is done by hand.
    const std::size_t escape =
        virtual_terminal_ ? std::string::npos : utf8.find(kEraseToEndOfLine, from);
    const std::wstring wide = Utf8ToWide(
        utf8.substr(from, escape == std::string::npos ? std::string::npos : escape - from));
    std::size_t written = 0;
    while (written < wide.size()) {
      DWORD done = 0;
      const DWORD step = static_cast<DWORD>(std::min<std::size_t>(wide.size() - written, 8192));
      if (!WriteConsoleW(handle_, wide.data() + written, step, &done, nullptr) || done == 0) {
        return false;
      }
      written += done;
    }
    if (escape == std::string::npos) break;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(handle_, &info)) {
      const DWORD rest = static_cast<DWORD>(info.dwSize.X - info.dwCursorPosition.X);
      DWORD filled = 0;
      FillConsoleOutputCharacterW(handle_, L' ', rest, info.dwCursorPosition, &filled);
      FillConsoleOutputAttribute(handle_, info.wAttributes, rest, info.dwCursorPosition, &filled);
    }
    from = escape + sizeof kEraseToEndOfLine - 1;
  }
  return true;
}

bool HandleStreamBuffer::WriteBytes(const char* bytes, std::size_t count) {
  std::size_t written = 0;
  while (written < count) {
    DWORD done = 0;
    const DWORD step = static_cast<DWORD>(std::min<std::size_t>(count - written, 1 << 20));
    if (!WriteFile(handle_, bytes + written, step, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return true;
}

}  // namespace win32

namespace {

struct StandardStreams {
  win32::HandleStreamBuffer out_buffer{GetStdHandle(STD_OUTPUT_HANDLE)};
  win32::HandleStreamBuffer err_buffer{GetStdHandle(STD_ERROR_HANDLE)};
  std::ostream out{&out_buffer};
  std::ostream err{&err_buffer};
  StandardStreams() { err.setf(std::ios::unitbuf); }
  ~StandardStreams() {
    out.flush();
    err.flush();
  }
};

StandardStreams& Streams() {
  static StandardStreams streams;
  return streams;
}

}  // namespace

void PrepareConsole() { Streams(); }

std::ostream& StandardOutput(StandardStream stream) {
  return stream == StandardStream::kOut ? Streams().out : Streams().err;
}

bool IsTerminal(StandardStream stream) {
  DWORD mode = 0;
  return GetConsoleMode(
             GetStdHandle(stream == StandardStream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE),
             &mode) != 0;
}

bool HasConsoleOfItsOwn() {
  // A console opened for the program alone (a double click in Explorer)
  // lists one process; one of cmd.exe or PowerShell lists the shell too.
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForKeyPress() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  FlushConsoleInputBuffer(input);
  INPUT_RECORD record{};
  DWORD read = 0;
  while (ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
  }
}

}  // namespace norvale::fleet
