#include "tests/fleet/fleet_world.h"

#ifdef _WIN32
#include <sys/utime.h>

#include <random>
#else
#include <stdlib.h>
#include <utime.h>
#endif

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/result_line.h"

namespace norvale::fleet::testing {

std::string Encode(const std::string& utf8, CodePage page) {
  std::string out;
  if (!EncodeCodePage(utf8, page, out)) throw std::runtime_error("text not encodable");
  return out;
}

namespace {

template <typename RowWriter>
void AddEveryKind(const PcSpec& pc, RowWriter& row) {
  const bool ja = pc.japanese;
  const std::string& sep = pc.decimal_separator;
  const std::string total = ja ? "全容量" : "Total", free = ja ? "空容量" : "Free",
                    type = ja ? "タイプ" : "Type";
  row("Soft", "Windows", "ProductID", "00330-80000-00000-AA123", "");
  row("Soft", "IE", "Version", "11.0.19041.1", "");
  row("Hard", ja ? "画面" : "Screen", ja ? "解像度" : "Resolution", "1920 x 1080 32 Bit", "");
  row("Hard", ja ? "ページファイル" : "Pagefile", total, "9000", "MB");
  row("Hard", "CPU", "Clock", "3000", "MHz");
  row("Hard", "D:\\DiskDrive", total, "931" + sep + "5", "GB");
  row("Hard", "D:\\DiskDrive", free, "93" + sep + "2", "GB");
  row("Hard", "D:\\DiskDrive", type, "NTFS", "");
  row("Hard", "E:\\CD-ROM", total, "-", "");
  row("Hard", "E:\\CD-ROM", free, "-", "");
  row("Hard", "E:\\CD-ROM", type, "-", "");
  row("Hard", "Z:\\\\files\\docs", total, "500" + sep + "0", "GB");
  row("Hard", "Printer", "Canon LBP", "USB001", "");
  row("Device", ja ? "ネットワーク アダプタ" : "Net", "Intel(R) Ethernet Connection", "Intel",
      "6-21-2006");
  row("Device", ja ? "ディスク ドライブ" : "DiskDrive", "Samsung SSD 860", "Microsoft",
      "12-31-2021");
  row("Shared", "Resource", "ADMIN$", "C:\\Windows", "");
  row("Environmental", "PATH", "C:\\Windows;C:\\Tools", "", "");
  row("Environmental", "JAVA_OPTS", "-Da=b", "", "");
  row("OTHER", "REGISTRY", "Agent port", "8080", "");
  row("OTHER", "FILEINFO", "Agent exe", "5.0.1.2", "");
  row("OTHER", "FILEINFO", "Old tool", "Nofile", "");
  row("WMI", "System", "Vendor", "Dell Inc.", "");
  row("WMI", "System", "Model", "OptiPlex 7070", "");
  row("WMI", "BIOS", "ReleaseDate", "2019/05/27", "");
  row("WMI", "BIOS", "SerialNo", "ABC1234", "");
  row("WMI", "SystemEnclosure", "ChassisTypes", "Desktop", "");
  row("WMI", "SystemEnclosure", "ChassisTypes", "Tower", "");
  row("WMI", "PhysicalMemory", "MaxCapacity", "65536", "MB");
  row("WMI", "PhysicalMemory", "Slot", "4", "");
  row("WMI", "PhysicalMemory1", "DeviceLocator", "DIMM1", "");
  row("WMI", "PhysicalMemory1", "Capacity", "8192", "MB");
  row("WMI", "PhysicalMemory1", "Speed", "2666", "");
  row("WMI", "PhysicalMemory1", "Formfacturer", "DIMM", "");
  row("WMI", "PhysicalMemory1", "Type", "DDR", "");
  row("WMI", "error", "mWMI", "-2147217392", "Invalid class");
}

}  // namespace

std::string ResultText(const PcSpec& pc) {
  const bool ja = pc.japanese;
  std::string text;
  auto row = [&](const std::string& group, const std::string& item, const std::string& sub,
                 const std::string& contents, const std::string& unit) {
    const std::string texts[kColumnCount] = {pc.computer, group, item,   sub,
                                             contents,    unit,  pc.date};
    text += FormatResultLine(texts, pc.csv ? SaveType::kComma : SaveType::kTab) + "\r\n";
  };
  row("Create", "DateTime", pc.date, pc.time, "Norvale Ver 1.3.3");
  row("Soft", "Windows", "Version", pc.windows, "");
  row("Soft", "Windows", "SystemPath", "C:\\Windows\\system32", "");
  const std::string memory = ja ? "メモリ" : "PhysicalMemory";
  const std::string total = ja ? "全容量" : "Total", free = ja ? "空容量" : "Free",
                    use = ja ? "使用量" : "Use";
  row("Hard", memory, total, pc.memory_mb, "MB");
  row("Hard", memory, free, pc.memory_free_mb, "MB");
  row("Hard", memory, use, "0", "MB");
  row("Hard", "SystemHDD", total, pc.disk_gb, "GB");
  row("Hard", "SystemHDD", free, pc.disk_free_gb, "GB");
  row("Hard", "CPU", "Name", pc.cpu, "");
  row("Hard", "CPU", "Number of processors", pc.cpus, "");
  if (pc.adapter_error) {
    row("LAN", "error", "mAdapter", "-2147217406", "Not found");
  } else {
    row("LAN", "Adapter", ja ? "アダプター名" : "AdapterName", "Intel(R) Ethernet", "");
    row("LAN", "Adapter", ja ? "IPアドレス" : "IPAddress", pc.ip, "");
    row("LAN", "Adapter", ja ? "MACアドレス" : "MACAddress", pc.mac, "");
    row("LAN", "Adapter2", ja ? "IPアドレス" : "IPAddress", "010.000.000.009", "");
  }
  row("LAN", "LAN", ja ? "ドメイン" : "Domain", pc.domain, "");
  row("LAN", "LAN", ja ? "ワークグループ" : "WorkGroup", pc.workgroup, "");
  row("LAN", "LAN", ja ? "ユーザー名" : "UserName", pc.user, "");
  for (const auto& app : pc.apps) row("Soft", "Application", app[0], app[1], app[2]);
  row("Hard", "C:\\DiskDrive", free, pc.disk_free_gb, "GB");
  if (pc.every_kind) AddEveryKind(pc, row);
  return text;
}

std::string ResultBytes(const PcSpec& pc) {
  return Encode(ResultText(pc), pc.japanese ? CodePage::kShiftJis : CodePage::kWindows1252);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  // The path is UTF-8; as a plain narrow string Windows would read it in the
  // ANSI code page and name the file wrongly.
  std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())),
                    std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

#ifdef _WIN32
// No strptime, timegm or utime on Windows: their Windows counterparts.
void SetFileTime(const std::string& path, const std::string& utc) {
  std::tm tm{};
  if (std::sscanf(utc.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6) {
    throw std::runtime_error("bad time " + utc);
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  const std::time_t at = _mkgmtime(&tm);
  _utimbuf times{at, at};
  const std::u8string utf8(path.begin(), path.end());
  if (_wutime(std::filesystem::path(utf8).wstring().c_str(), &times) != 0) {
    throw std::runtime_error("cannot set the time of " + path);
  }
}
#else
void SetFileTime(const std::string& path, const std::string& utc) {
  std::tm tm{};
  if (!strptime(utc.c_str(), "%Y-%m-%d %H:%M:%S", &tm)) throw std::runtime_error("bad time " + utc);
  const std::time_t at = timegm(&tm);
  const utimbuf times{at, at};
  if (utime(path.c_str(), &times) != 0) throw std::runtime_error("cannot set the time of " + path);
}
#endif

#ifdef _WIN32
// No mkdtemp on Windows: a random name, taken only if the folder is new.
TempDir::TempDir() {
  namespace fs = std::filesystem;
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("norvale-fleet-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) {
      const std::u8string text = candidate.u8string();
      path_.assign(text.begin(), text.end());
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}
#else
HostRun RunHostPython(const std::string& script, const std::string& file) {
  const std::string command = "/usr/bin/python3 '" + script + "' '" + file + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {false, "cannot run " + command};
  HostRun run;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, n);
  run.ok = pclose(pipe) == 0;
  return run;
}

TempDir::TempDir() {
  char pattern[] = "/tmp/norvale-fleet-test-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}
#endif

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace norvale::fleet::testing
