// Writes result files of realistic shape for a made-up fleet: one file per
// computer, about 300 rows each (operating system, hardware, adapters, LAN,
// applications, drives, environment, devices, firmware), one in ten from a
// Japanese system (Japanese labels, Shift_JIS), half of them comma files.
// The same arguments always give the same bytes; --run N gives the fleet's
// N-th round of runs (later date, some applications updated, memory added).
// --history N writes N runs of each computer instead, an hour apart from
// 2024-01-01, each in its own folder (OUTDIR/run-00001/PC-00001.tsv, ...), as
// an archive of a share would keep them.
//
//   fleet_make_files OUTDIR COUNT [--run N] [--rows N] [--first N] [--history N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/result_line.h"
#include "fleet/system/code_pages.h"

namespace {

using norvale::FormatResultLine;
using norvale::kColumnCount;
using norvale::fleet::CodePage;
using norvale::fleet::EncodeCodePage;

std::string Encode(const std::string& utf8, CodePage page) {
  std::string out;
  if (!EncodeCodePage(utf8, page, out)) {
    std::fprintf(stderr, "text not in code page %d\n", static_cast<int>(page));
    std::exit(1);
  }
  return out;
}

constexpr const char* kApps[][2] = {
    {"Microsoft Office Professional Plus 2019", "Microsoft Corporation"},
    {"Google Chrome", "Google LLC"},
    {"Mozilla Firefox (x64 ja)", "Mozilla"},
    {"7-Zip 22.01 (x64)", "Igor Pavlov"},
    {"Adobe Acrobat Reader DC", "Adobe Systems Incorporated"},
    {"Agent", "Acme Systems"},
    {"VLC media player", "VideoLAN"},
    {"Notepad++ (64-bit x64)", "Notepad++ Team"},
    {"Microsoft Visual C++ 2015-2022 Redistributable (x64)", "Microsoft Corporation"},
    {"Java 8 Update 351", "Oracle Corporation"},
    {"Zoom", "Zoom Video Communications, Inc."},
    {"TeamViewer", "TeamViewer"},
    {"Microsoft Edge", "Microsoft Corporation"},
    {"Python 3.11.4 (64-bit)", "Python Software Foundation"},
    {"Git", "The Git Development Community"},
    {"Logiciel de gestion", "Société Générale d'Édition"},
    {"秀丸エディタ", "サイトー企画"},
};
constexpr int kAppCount = sizeof kApps / sizeof kApps[0];

struct Options {
  std::string out_dir;
  int count = 0;
  int run = 1, rows = 300, first = 1, history = 0;
};

Options ParseOptions(int argc, char** argv) {
  Options o;
  o.out_dir = argv[1];
  o.count = std::atoi(argv[2]);
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (opt == "--run")
      o.run = value;
    else if (opt == "--rows")
      o.rows = value;
    else if (opt == "--first")
      o.first = value;
    else if (opt == "--history")
      o.history = value;
  }
  return o;
}

// One file of computer n as it is written: its rows in the file's format,
// and the computer's random numbers, drawn in the order the rows need them.
class ResultFileText {
 public:
  ResultFileText(int n, int run) : n_(n), run_(run), rng_(static_cast<unsigned>(n) * 7919u) {
    // Buffers sized for any int, as the compiler counts in a release build.
    std::snprintf(name_, sizeof name_, "PC-%05d", n);
  }

  int n() const { return n_; }
  int run() const { return run_; }
  bool ja() const { return n_ % 10 == 0; }
  bool csv() const { return n_ % 2 == 1; }
  const char* name() const { return name_; }
  int written() const { return written_; }
  const std::string& text() const { return text_; }

  int Pick(int range) { return static_cast<int>(rng_() % static_cast<unsigned>(range)); }
  std::string Label(const char* en, const char* jp) const { return std::string(ja() ? jp : en); }

  // The header time of the fleet's run-th round of runs.
  void RoundTime() {
    const int day = 1 + (run_ - 1) * 7;
    std::snprintf(date_, sizeof date_, ja() ? "2026/11/%d" : "11/%d/2026", day);
    std::snprintf(time_, sizeof time_, ja() ? "%d:%02d:%02d" : "%d:%02d:%02d AM", 8 + Pick(3),
                  Pick(60), Pick(60));
  }

  // The header time of the h-th hourly run from 2024-01-01.
  void HistoryTime(int h) {
    using namespace std::chrono;
    const year_month_day ymd{sys_days{2024y / January / 1} + days{h / 24}};
    const int y = int(ymd.year()), m = int(unsigned(ymd.month())), d = int(unsigned(ymd.day()));
    const int hour = h % 24, minute = Pick(60);
    if (ja()) {
      std::snprintf(date_, sizeof date_, "%d/%d/%d", y, m, d);
      std::snprintf(time_, sizeof time_, "%d:%02d:00", hour, minute);
    } else {
      std::snprintf(date_, sizeof date_, "%d/%d/%d", m, d, y);
      std::snprintf(time_, sizeof time_, "%d:%02d:00 %s", hour % 12 == 0 ? 12 : hour % 12, minute,
                    hour < 12 ? "AM" : "PM");
    }
  }

  void Row(const std::string& group, const std::string& item, const std::string& sub,
           const std::string& contents, const std::string& unit) {
    const std::string texts[kColumnCount] = {name_, group, item, sub, contents, unit, date_};
    text_ += FormatResultLine(texts, csv() ? norvale::SaveType::kComma : norvale::SaveType::kTab);
    text_ += "\r\n";
    ++written_;
  }

  void Header() { Row("Create", "DateTime", date_, time_, "Norvale Ver 1.3.3"); }

 private:
  int n_, run_;
  std::mt19937 rng_;
  char name_[32];
  char date_[48] = "", time_[64] = "";
  std::string text_;
  int written_ = 0;
};

void WriteSystemRows(ResultFileText& f) {
  f.Row(
      "Soft", "Windows", "Version",
      f.Pick(4) == 0 ? "Windows 7 Professional (Build 7601) SP1" : "Windows 10 Pro (Build 19045) ",
      "");
  f.Row("Soft", "Windows", "ProductID", "00330-80000-00000-AA" + std::to_string(100 + f.Pick(900)),
        "");
  f.Row("Soft", "Windows", "SystemPath", "C:\\Windows\\system32", "");
  f.Row("Soft", "IE", "Version", "11.0.19041.1", "");
  const int memory = (4 << f.Pick(3)) * 1024 - 120 + (f.run() > 1 && f.n() % 3 == 0 ? 8192 : 0);
  const int free_memory = memory / 2 + f.Pick(1000);
  f.Row("Hard", f.Label("Screen", "画面"), f.Label("Resolution", "解像度"), "1920 x 1080 32 Bit",
        "");
  for (const auto& [item_en, item_ja] :
       {std::pair{"PhysicalMemory", "メモリ"}, std::pair{"Pagefile", "ページファイル"}}) {
    f.Row("Hard", f.Label(item_en, item_ja), f.Label("Total", "全容量"), std::to_string(memory),
          "MB");
    f.Row("Hard", f.Label(item_en, item_ja), f.Label("Free", "空容量"), std::to_string(free_memory),
          "MB");
    f.Row("Hard", f.Label(item_en, item_ja), f.Label("Use", "使用量"),
          std::to_string(memory - free_memory), "MB");
  }
  f.Row("Hard", "SystemHDD", f.Label("Total", "全容量"), "237.9", "GB");
  f.Row("Hard", "SystemHDD", f.Label("Free", "空容量"), std::to_string(50 + f.Pick(150)) + ".4",
        "GB");
  f.Row("Hard", "SystemHDD", f.Label("Use", "使用量"), "120.5", "GB");
  const char* cpu = f.Pick(2) ? "Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz" : "AMD Ryzen 5 PRO 4650G";
  for (const auto& [sub, value] : {std::pair<const char*, std::string>{"Name", cpu},
                                   {"Clock", "2995"},
                                   {"ID", "GenuineIntel"},
                                   {"Number of processors", "6"},
                                   {"NameString", cpu},
                                   {"Family", "6"},
                                   {"Model", "158"},
                                   {"Stepping", "10"}}) {
    f.Row("Hard", "CPU", sub, value, std::string(sub) == "Clock" ? "MHz" : "");
  }
}

void WriteNetworkRows(ResultFileText& f) {
  const int n = f.n();
  char ip[32], mac[32];
  std::snprintf(ip, sizeof ip, "192.168.%03d.%03d", (n / 250) % 256, n % 250 + 1);
  std::snprintf(mac, sizeof mac, "00:1A:2B:%02X:%02X:%02X", (n >> 16) & 255, (n >> 8) & 255,
                n & 255);
  for (const auto& [en, jp, value] :
       {std::tuple<const char*, const char*, std::string>{"AdapterName", "アダプター名",
                                                          "Intel(R) Ethernet Connection I219-LM"},
        {"IPAddress", "IPアドレス", ip},
        {"Subnet", "サブネットマスク", "255.255.255.000"},
        {"Gateway", "ゲートウェイ", "192.168.000.001"},
        {"DHCPServer", "DHCPServer", "192.168.000.001"},
        {"PrimaryWINS", "PrimaryWINS", ""},
        {"SecondaryWINS", "SecondaryWINS", ""},
        {"MACAddress", "MACアドレス", mac}}) {
    f.Row("LAN", "Adapter", f.Label(en, jp), value, "");
  }
  for (const auto& [en, jp, value] :
       {std::tuple<const char*, const char*, std::string>{"Domain", "ドメイン", ""},
        {"WorkGroup", "ワークグループ", "WORKGROUP"},
        {"UserName", "ユーザー名", f.ja() ? "山田" : "user" + std::to_string(n)},
        {"ComputerName", "コンピュータ名", f.name()},
        {"HostName", "ホスト名", f.name()},
        {"PrimaryDNS", "PrimaryDNS", "192.168.000.001"},
        {"SecondaryDNS", "SecondaryDNS", ""},
        {"SVRComment", "コンピュータの説明", ""}}) {
    f.Row("LAN", "LAN", f.Label(en, jp), value, "");
  }
}

void WriteApplicationRows(ResultFileText& f) {
  for (int a = 0; a < kAppCount; ++a) {
    // Each system shows only what its code page can hold.
    const bool japanese_name = std::string(kApps[a][1]) == "サイトー企画";
    const bool accented_name = std::string(kApps[a][0]) == "Logiciel de gestion";
    if (f.Pick(4) == 0 || (!f.ja() && japanese_name) || (f.ja() && accented_name)) continue;
    const int major = 1 + (a * 7 + f.n()) % 5 + (f.run() > 1 && a == 5 ? 1 : 0);
    f.Row("Soft", "Application", kApps[a][0],
          std::to_string(major) + "." + std::to_string(f.Pick(10)) + ".0", kApps[a][1]);
  }
}

// Drives, the environment, then devices and firmware up to the file's size.
void WriteRemainingRows(ResultFileText& f, int rows) {
  for (const char* drive : {"C:\\DiskDrive", "D:\\CD-ROM"}) {
    const bool fixed = drive[0] == 'C';
    f.Row("Hard", drive, f.Label("Total", "全容量"), fixed ? "237.9" : "-", fixed ? "GB" : "");
    f.Row("Hard", drive, f.Label("Free", "空容量"), fixed ? "80.1" : "-", fixed ? "GB" : "");
    f.Row("Hard", drive, f.Label("Type", "タイプ"), fixed ? "NTFS" : "-", "");
  }
  const char* env[] = {"ComSpec", "OS",  "PATHEXT", "PROCESSOR_ARCHITECTURE",
                       "TEMP",    "TMP", "windir",  "Path"};
  for (const char* var : env)
    f.Row("Environmental", var, "C:\\Windows;C:\\Windows\\System32", "", "");
  for (int d = 0; f.written() < rows - 12; ++d) {
    f.Row("Device", "Device" + std::to_string(d), "PCI\\VEN_8086&DEV_" + std::to_string(1000 + d),
          "Standard system device " + std::to_string(d), "System");
  }
  while (f.written() < rows) {
    f.Row("WMI", "Win32_BIOS", "SerialNumber" + std::to_string(f.written()),
          "SN" + std::to_string(f.n() * 31 + f.written()), "");
  }
}

// Writes computer n's file (its h-th run with --history); false when it cannot.
bool WriteComputerFile(const Options& o, int n, int h) {
  ResultFileText f(n, o.run);
  f.RoundTime();
  std::string folder = o.out_dir;
  if (o.history > 0) {
    f.HistoryTime(h);
    char sub[32];
    std::snprintf(sub, sizeof sub, "/run-%05d", h + 1);
    folder += sub;
    std::filesystem::create_directories(folder);
  }
  f.Header();
  WriteSystemRows(f);
  WriteNetworkRows(f);
  WriteApplicationRows(f);
  WriteRemainingRows(f, o.rows);
  const std::string path = folder + "/" + f.name() + (f.csv() ? ".csv" : ".tsv");
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << Encode(f.text(), f.ja() ? CodePage::kShiftJis : CodePage::kWindows1252);
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: fleet_make_files OUTDIR COUNT [--run N] [--rows N] [--first N]"
                 " [--history N]\n");
    return 2;
  }
  const Options o = ParseOptions(argc, argv);
  std::filesystem::create_directories(o.out_dir);
  for (int n = o.first; n < o.first + o.count; ++n) {
    for (int h = 0; h < std::max(o.history, 1); ++h) {
      if (!WriteComputerFile(o, n, h)) return 1;
    }
  }
  return 0;
}
