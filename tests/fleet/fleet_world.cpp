#include "tests/fleet/fleet_world.h"

#ifdef _WIN32
#include <random>
#else
#include <stdlib.h>
#endif

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/recording.h"

namespace norvale::fleet::testing {

std::string Encode(const std::string& utf8, CodePage page) {
  std::string out;
  if (!EncodeCodePage(utf8, page, out)) throw std::runtime_error("text not encodable");
  return out;
}

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
  return text;
}

std::string ResultBytes(const PcSpec& pc) {
  return Encode(ResultText(pc), pc.japanese ? CodePage::kShiftJis : CodePage::kWindows1252);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

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
