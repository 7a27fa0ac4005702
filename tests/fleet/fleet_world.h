// Result files as the collectors write them, made to order for the fleet tests.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "fleet/load/loader.h"
#include "fleet/system/code_pages.h"

namespace norvale::fleet::testing {

struct PcSpec {
  std::string computer = "PC-01";
  bool japanese = false;  // Japanese labels, written in Shift_JIS
  bool csv = false;
  std::string date = "2026/12/01", time = "9:00:00";
  std::string windows = "Windows 10 Pro (Build 19045) ";
  std::string cpu = "Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz";
  std::string cpus = "6";
  std::string memory_mb = "8077", memory_free_mb = "3021";
  std::string disk_gb = "237.9", disk_free_gb = "100.2";
  std::string ip = "192.168.001.010", mac = "00:11:22:33:44:55";
  std::string domain, workgroup = "WORKGROUP";
  std::string user = "taro";
  std::vector<std::array<std::string, 3>> apps;  // name, version, publisher
  bool adapter_error = false;                    // the adapter collector failed instead
  // Also the rows of every other collector: screen, drives, devices,
  // printers, shares, environment, the administrator's items and WMI.
  bool every_kind = false;
  std::string decimal_separator = ".";  // of the figures of every_kind
};

// The file's text as UTF-8, every line with CRLF.
std::string ResultText(const PcSpec& pc);
// The bytes the PC writes: Shift_JIS on a Japanese system, Windows-1252 otherwise.
std::string ResultBytes(const PcSpec& pc);
// UTF-8 text in a Windows code page, for fixtures.
std::string Encode(const std::string& utf8, CodePage page);

void WriteFile(const std::string& path, const std::string& bytes);
// Sets a file's modification time to "YYYY-MM-DD HH:MM:SS" UTC.
void SetFileTime(const std::string& path, const std::string& utc);

// How the tool joins a folder and a name in the paths it prints.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// What the machine's own /usr/bin/python3 SCRIPT FILE prints (stdout and
// stderr), and whether it ended well. SCRIPT is a path on the machine; FILE a
// path of this program. Built for Windows and run under Wine, Wine starts
// the Linux program itself and FILE is handed over as its Linux path.
struct HostRun {
  bool ok = false;
  std::string output;
};
HostRun RunHostPython(const std::string& script, const std::string& file);

// A fresh temporary folder, removed with the object; a native path.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + kPathSeparator + name; }

 private:
  std::string path_;
};

// Keeps what a load reports.
struct RecordingObserver : LoadObserver {
  std::vector<std::string> skipped, rejected;  // "path" / "path:line: reason"
  std::vector<std::string> clock_ahead;        // "computer run_at"
  void Skipped(const std::string& path, const std::string&) override { skipped.push_back(path); }
  void Rejected(const std::string& path, int line, const std::string& why) override {
    rejected.push_back(path + ":" + std::to_string(line) + ": " + why);
  }
  void ClockAhead(const std::string&, const std::string& computer,
                  const std::string& run_at) override {
    clock_ahead.push_back(computer + " " + run_at);
  }
};

}  // namespace norvale::fleet::testing
