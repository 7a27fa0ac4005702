// Group, item and sub-item texts of the result file that the fleet queries
// look for, in English and Japanese.
#pragma once

#include <string_view>

namespace norvale::fleet {

struct LabelPair {
  std::string_view english;
  std::string_view japanese;
};

inline constexpr std::string_view kSoftGroup = "Soft";
inline constexpr std::string_view kHardGroup = "Hard";
inline constexpr std::string_view kLanGroup = "LAN";
inline constexpr std::string_view kWindowsItem = "Windows";
inline constexpr std::string_view kVersionSubItem = "Version";
inline constexpr std::string_view kApplicationItem = "Application";
inline constexpr std::string_view kErrorItem = "error";
inline constexpr std::string_view kCpuItem = "CPU";
inline constexpr std::string_view kCpuNameSubItem = "Name";
inline constexpr std::string_view kCpuCountSubItem = "Number of processors";
inline constexpr std::string_view kSystemDiskItem = "SystemHDD";
inline constexpr std::string_view kFirstAdapterItem = "Adapter";
inline constexpr std::string_view kLanItem = "LAN";

inline constexpr LabelPair kMemoryItem{"PhysicalMemory", "メモリ"};
inline constexpr LabelPair kPagefileItem{"Pagefile", "ページファイル"};
inline constexpr LabelPair kScreenItem{"Screen", "画面"};
inline constexpr LabelPair kTotalSubItem{"Total", "全容量"};
inline constexpr LabelPair kFreeSubItem{"Free", "空容量"};
inline constexpr LabelPair kUseSubItem{"Use", "使用量"};
inline constexpr LabelPair kTypeSubItem{"Type", "タイプ"};
inline constexpr LabelPair kIpSubItem{"IPAddress", "IPアドレス"};
inline constexpr LabelPair kMacSubItem{"MACAddress", "MACアドレス"};
inline constexpr LabelPair kAdapterNameSubItem{"AdapterName", "アダプター名"};
inline constexpr LabelPair kDomainSubItem{"Domain", "ドメイン"};
inline constexpr LabelPair kWorkgroupSubItem{"WorkGroup", "ワークグループ"};
inline constexpr LabelPair kUserSubItem{"UserName", "ユーザー名"};
inline constexpr LabelPair kComputerNameSubItem{"ComputerName", "コンピュータ名"};

// Japanese labels that only a Japanese system writes; finding one of them in
// a file that decodes as Shift_JIS tells that the file came from one.
inline constexpr LabelPair kLanguageMarkers[] = {
    kMemoryItem,       kPagefileItem, kScreenItem,         kTotalSubItem, kFreeSubItem,
    kUseSubItem,       kTypeSubItem,  kIpSubItem,          kMacSubItem,   kDomainSubItem,
    kWorkgroupSubItem, kUserSubItem,  kComputerNameSubItem};

}  // namespace norvale::fleet
