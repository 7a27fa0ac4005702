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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: fleet_make_files OUTDIR COUNT [--run N] [--rows N] [--first N]"
                 " [--history N]\n");
    return 2;
  }
  const std::string out_dir = argv[1];
  const int count = std::atoi(argv[2]);
  int run = 1, rows = 300, first = 1, history = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (opt == "--run")
      run = value;
    else if (opt == "--rows")
      rows = value;
    else if (opt == "--first")
      first = value;
    else if (opt == "--history")
      history = value;
  }
  std::filesystem::create_directories(out_dir);
  for (int n = first; n < first + count; ++n) {
    for (int h = 0; h < std::max(history, 1); ++h) {
      std::mt19937 rng(static_cast<unsigned>(n) * 7919u);
      auto pick = [&](int range) { return static_cast<int>(rng() % static_cast<unsigned>(range)); };
      const bool ja = n % 10 == 0;
      const bool csv = n % 2 == 1;
      // Buffers sized for any int, as the compiler counts in a release build.
      char name[32];
      std::snprintf(name, sizeof name, "PC-%05d", n);
      const int day = 1 + (run - 1) * 7;
      char date[48], time[64];
      std::snprintf(date, sizeof date, ja ? "2026/11/%d" : "11/%d/2026", day);
      std::snprintf(time, sizeof time, ja ? "%d:%02d:%02d" : "%d:%02d:%02d AM", 8 + pick(3),
                    pick(60), pick(60));
      std::string folder = out_dir;
      if (history > 0) {
        using namespace std::chrono;
        const year_month_day ymd{sys_days{2024y / January / 1} + days{h / 24}};
        const int y = int(ymd.year()), m = int(unsigned(ymd.month())), d = int(unsigned(ymd.day()));
        const int hour = h % 24, minute = pick(60);
        if (ja) {
          std::snprintf(date, sizeof date, "%d/%d/%d", y, m, d);
          std::snprintf(time, sizeof time, "%d:%02d:00", hour, minute);
        } else {
          std::snprintf(date, sizeof date, "%d/%d/%d", m, d, y);
          std::snprintf(time, sizeof time, "%d:%02d:00 %s", hour % 12 == 0 ? 12 : hour % 12, minute,
                        hour < 12 ? "AM" : "PM");
        }
        char sub[32];
        std::snprintf(sub, sizeof sub, "/run-%05d", h + 1);
        folder += sub;
        std::filesystem::create_directories(folder);
      }
      std::string text;
      int written = 0;
      auto row = [&](const std::string& group, const std::string& item, const std::string& sub,
                     const std::string& contents, const std::string& unit) {
        const std::string texts[kColumnCount] = {name, group, item, sub, contents, unit, date};
        text += FormatResultLine(texts, csv ? norvale::SaveType::kComma : norvale::SaveType::kTab);
        text += "\r\n";
        ++written;
      };
      auto label = [&](const char* en, const char* jp) { return std::string(ja ? jp : en); };
      row("Create", "DateTime", date, time, "Norvale Ver 1.3.3");
      row("Soft", "Windows", "Version",
          pick(4) == 0 ? "Windows 7 Professional (Build 7601) SP1"
                       : "Windows 10 Pro (Build 19045) ",
          "");
      row("Soft", "Windows", "ProductID", "00330-80000-00000-AA" + std::to_string(100 + pick(900)),
          "");
      row("Soft", "Windows", "SystemPath", "C:\\Windows\\system32", "");
      row("Soft", "IE", "Version", "11.0.19041.1", "");
      const int memory = (4 << pick(3)) * 1024 - 120 + (run > 1 && n % 3 == 0 ? 8192 : 0);
      const int free_memory = memory / 2 + pick(1000);
      row("Hard", label("Screen", "画面"), label("Resolution", "解像度"), "1920 x 1080 32 Bit", "");
      for (const auto& [item_en, item_ja] :
           {std::pair{"PhysicalMemory", "メモリ"}, std::pair{"Pagefile", "ページファイル"}}) {
        row("Hard", label(item_en, item_ja), label("Total", "全容量"), std::to_string(memory),
            "MB");
        row("Hard", label(item_en, item_ja), label("Free", "空容量"), std::to_string(free_memory),
            "MB");
        row("Hard", label(item_en, item_ja), label("Use", "使用量"),
            std::to_string(memory - free_memory), "MB");
      }
      row("Hard", "SystemHDD", label("Total", "全容量"), "237.9", "GB");
      row("Hard", "SystemHDD", label("Free", "空容量"), std::to_string(50 + pick(150)) + ".4",
          "GB");
      row("Hard", "SystemHDD", label("Use", "使用量"), "120.5", "GB");
      const char* cpu =
          pick(2) ? "Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz" : "AMD Ryzen 5 PRO 4650G";
      for (const auto& [sub, value] : {std::pair<const char*, std::string>{"Name", cpu},
                                       {"Clock", "2995"},
                                       {"ID", "GenuineIntel"},
                                       {"Number of processors", "6"},
                                       {"NameString", cpu},
                                       {"Family", "6"},
                                       {"Model", "158"},
                                       {"Stepping", "10"}}) {
        row("Hard", "CPU", sub, value, std::string(sub) == "Clock" ? "MHz" : "");
      }
      char ip[32], mac[32];
      std::snprintf(ip, sizeof ip, "192.168.%03d.%03d", (n / 250) % 256, n % 250 + 1);
      std::snprintf(mac, sizeof mac, "00:1A:2B:%02X:%02X:%02X", (n >> 16) & 255, (n >> 8) & 255,
                    n & 255);
      for (const auto& [en, jp, value] :
           {std::tuple<const char*, const char*, std::string>{
                "AdapterName", "アダプター名", "Intel(R) Ethernet Connection I219-LM"},
            {"IPAddress", "IPアドレス", ip},
            {"Subnet", "サブネットマスク", "255.255.255.000"},
            {"Gateway", "ゲートウェイ", "192.168.000.001"},
            {"DHCPServer", "DHCPServer", "192.168.000.001"},
            {"PrimaryWINS", "PrimaryWINS", ""},
            {"SecondaryWINS", "SecondaryWINS", ""},
            {"MACAddress", "MACアドレス", mac}}) {
        row("LAN", "Adapter", label(en, jp), value, "");
      }
      for (const auto& [en, jp, value] :
           {std::tuple<const char*, const char*, std::string>{"Domain", "ドメイン", ""},
            {"WorkGroup", "ワークグループ", "WORKGROUP"},
            {"UserName", "ユーザー名", ja ? "山田" : "user" + std::to_string(n)},
            {"ComputerName", "コンピュータ名", name},
            {"HostName", "ホスト名", name},
            {"PrimaryDNS", "PrimaryDNS", "192.168.000.001"},
            {"SecondaryDNS", "SecondaryDNS", ""},
            {"SVRComment", "コンピュータの説明", ""}}) {
        row("LAN", "LAN", label(en, jp), value, "");
      }
      for (int a = 0; a < kAppCount; ++a) {
        // Each system shows only what its code page can hold.
        const bool japanese_name = std::string(kApps[a][1]) == "サイトー企画";
        const bool accented_name = std::string(kApps[a][0]) == "Logiciel de gestion";
        if (pick(4) == 0 || (!ja && japanese_name) || (ja && accented_name)) continue;
        const int major = 1 + (a * 7 + n) % 5 + (run > 1 && a == 5 ? 1 : 0);
        row("Soft", "Application", kApps[a][0],
            std::to_string(major) + "." + std::to_string(pick(10)) + ".0", kApps[a][1]);
      }
      for (const char* drive : {"C:\\DiskDrive", "D:\\CD-ROM"}) {
        const bool fixed = drive[0] == 'C';
        row("Hard", drive, label("Total", "全容量"), fixed ? "237.9" : "-", fixed ? "GB" : "");
        row("Hard", drive, label("Free", "空容量"), fixed ? "80.1" : "-", fixed ? "GB" : "");
        row("Hard", drive, label("Type", "タイプ"), fixed ? "NTFS" : "-", "");
      }
      const char* env[] = {"ComSpec", "OS",  "PATHEXT", "PROCESSOR_ARCHITECTURE",
                           "TEMP",    "TMP", "windir",  "Path"};
      for (const char* var : env)
        row("Environmental", var, "C:\\Windows;C:\\Windows\\System32", "", "");
      // Devices and firmware fill the file up to its size.
      for (int d = 0; written < rows - 12; ++d) {
        row("Device", "Device" + std::to_string(d), "PCI\\VEN_8086&DEV_" + std::to_string(1000 + d),
            "Standard system device " + std::to_string(d), "System");
      }
      while (written < rows) {
        row("WMI", "Win32_BIOS", "SerialNumber" + std::to_string(written),
            "SN" + std::to_string(n * 31 + written), "");
      }
      const std::string path = folder + "/" + name + (csv ? ".csv" : ".tsv");
      std::ofstream file(path, std::ios::binary | std::ios::trunc);
      file << Encode(text, ja ? CodePage::kShiftJis : CodePage::kWindows1252);
      if (!file) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
