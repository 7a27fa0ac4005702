// Every text the collectors write into the Group, Item, SubItem and Unit
// columns of a row, and the module tags of their error rows. The result files
// of all earlier versions use exactly these bytes, and tools that read the
// files recognise rows by them: change none of them.
#pragma once

#include <string_view>

namespace norvale {

// An Item or SubItem label that follows the interface language.
struct LabelPair {
  const char* japanese;
  const char* english;
};

// Whether `text` is `label` in either language.
inline bool IsLabel(std::string_view text, const LabelPair& label) {
  return text == label.english || text == label.japanese;
}

// Groups (column 2).
inline constexpr char kGroupCreate[] = "Create";
inline constexpr char kGroupSoft[] = "Soft";
inline constexpr char kGroupHard[] = "Hard";
inline constexpr char kGroupLan[] = "LAN";
inline constexpr char kGroupEnvironmental[] = "Environmental";
inline constexpr char kGroupDevice[] = "Device";
inline constexpr char kGroupShared[] = "Shared";
inline constexpr char kGroupWmi[] = "WMI";
inline constexpr char kGroupOther[] = "OTHER";
// Groups of the error rows of the save and of the automatic-mode timer.
inline constexpr char kGroupDatasave[] = "Datasave";
inline constexpr char kGroupTimer[] = "Timer";

// Module tags: the SubItem of an error row names where it failed.
inline constexpr char kModuleMain[] = "mMain";
inline constexpr char kModuleSoft[] = "mSoft";
inline constexpr char kModuleWindowsVersion[] = "mSoft2";
inline constexpr char kModuleApplication[] = "mApplication";
inline constexpr char kModuleEnvironment[] = "mEnviron";
inline constexpr char kModuleOther[] = "mOther";
inline constexpr char kModuleHard[] = "mHard";
inline constexpr char kModuleDrive[] = "mDrive";
inline constexpr char kModuleDevice[] = "mDevice";
inline constexpr char kModulePrinter[] = "mPrinter";
inline constexpr char kModuleAdapter[] = "mAdapter";
inline constexpr char kModuleIpConvert[] = "mAdapter,IPConvert";
inline constexpr char kModuleLan[] = "mLan";
inline constexpr char kModuleShare[] = "mShare";
inline constexpr char kModuleWmi[] = "mWMI";

// The Item of every error row.
inline constexpr char kItemError[] = "error";

// Units.
inline constexpr char kUnitMegabytes[] = "MB";
inline constexpr char kUnitGigabytes[] = "GB";
inline constexpr char kUnitMegahertz[] = "MHz";

// The run's header row: "Create", "DateTime", date, time, version, date.
inline constexpr char kItemDateTime[] = "DateTime";

// Operating system ("Soft").
inline constexpr char kItemWindows[] = "Windows";
inline constexpr char kItemInternetExplorer[] = "IE";
inline constexpr char kSubItemVersion[] = "Version";
inline constexpr char kSubItemProductId[] = "ProductID";
inline constexpr char kSubItemSystemPath[] = "SystemPath";
// Installed applications ("Soft").
inline constexpr char kItemApplication[] = "Application";

// Hardware summary ("Hard").
inline constexpr LabelPair kLabelScreen{"画面", "Screen"};
inline constexpr LabelPair kLabelResolution{"解像度", "Resolution"};
inline constexpr LabelPair kLabelPhysicalMemory{"メモリ", "PhysicalMemory"};
inline constexpr LabelPair kLabelPagefile{"ページファイル", "Pagefile"};
inline constexpr LabelPair kLabelSystemHdd{"SystemHDD", "SystemHDD"};
inline constexpr LabelPair kLabelTotal{"全容量", "Total"};
inline constexpr LabelPair kLabelFree{"空容量", "Free"};
inline constexpr LabelPair kLabelUse{"使用量", "Use"};
inline constexpr char kItemCpu[] = "CPU";
inline constexpr char kSubItemCpuName[] = "Name";
inline constexpr char kSubItemCpuClock[] = "Clock";
inline constexpr char kSubItemCpuId[] = "ID";
inline constexpr char kSubItemCpuCount[] = "Number of processors";
inline constexpr char kSubItemCpuNameString[] = "NameString";
inline constexpr char kSubItemCpuFamily[] = "Family";
inline constexpr char kSubItemCpuModel[] = "Model";
inline constexpr char kSubItemCpuStepping[] = "Stepping";

// Drives ("Hard"): Item is the root followed by the drive type.
inline constexpr LabelPair kLabelDriveType{"タイプ", "Type"};
inline constexpr char kDriveTypeRemovable[] = "Floppy";
inline constexpr char kDriveTypeFixed[] = "DiskDrive";
inline constexpr char kDriveTypeCdrom[] = "CD-ROM";
inline constexpr char kDriveTypeRamdisk[] = "RAMDisk";
inline constexpr char kDriveTypeUnknown[] = "Unknown";
// The Contents of a drive that has no size (floppy, CD-ROM, ...).
inline constexpr char kContentsNoSize[] = "-";

// Printers ("Hard") and shares ("Shared").
inline constexpr char kItemPrinter[] = "Printer";
inline constexpr char kItemShareResource[] = "Resource";

// Network adapters ("LAN"): Item "Adapter", then "Adapter2", "Adapter3", ...
inline constexpr char kItemAdapter[] = "Adapter";
inline constexpr LabelPair kLabelAdapterName{"アダプター名", "AdapterName"};
inline constexpr LabelPair kLabelIpAddress{"IPアドレス", "IPAddress"};
inline constexpr LabelPair kLabelSubnet{"サブネットマスク", "Subnet"};
inline constexpr LabelPair kLabelGateway{"ゲートウェイ", "Gateway"};
inline constexpr LabelPair kLabelDhcpServer{"DHCPServer", "DHCPServer"};
inline constexpr LabelPair kLabelPrimaryWins{"PrimaryWINS", "PrimaryWINS"};
inline constexpr LabelPair kLabelSecondaryWins{"SecondaryWINS", "SecondaryWINS"};
inline constexpr LabelPair kLabelMacAddress{"MACアドレス", "MACAddress"};
// An address that is all zeros.
inline constexpr char kContentsNoAddress[] = "-";

// LAN identity ("LAN", Item "LAN").
inline constexpr char kItemLan[] = "LAN";
inline constexpr LabelPair kLabelDomain{"ドメイン", "Domain"};
inline constexpr LabelPair kLabelWorkGroup{"ワークグループ", "WorkGroup"};
inline constexpr LabelPair kLabelUserName{"ユーザー名", "UserName"};
inline constexpr LabelPair kLabelComputerName{"コンピュータ名", "ComputerName"};
inline constexpr LabelPair kLabelHostName{"ホスト名", "HostName"};
inline constexpr LabelPair kLabelPrimaryDns{"PrimaryDNS", "PrimaryDNS"};
inline constexpr LabelPair kLabelSecondaryDns{"SecondaryDNS", "SecondaryDNS"};
// The English label has always been the server parameter's name.
inline constexpr LabelPair kLabelServerComment{"コンピュータの説明", "SVRComment"};

// Devices ("Device"): the Item is the device class, or on Japanese Windows
// the group name Device Manager shows for it (english = the class name).
inline constexpr LabelPair kDeviceGroups[] = {
    {"バッテリ", "Battery"},
    {"システム デバイス", "System"},
    {"プロセッサ", "Processor"},
    {"キーボード", "Keyboard"},
    {"ポート (COM と LPT)", "Ports"},
    {"フロッピー ディスク コントローラ", "fdc"},
    {"マウスとそのほかのポインティング デバイス", "Mouse"},
    {"DVD/CD-ROM ドライブ", "CDROM"},
    {"ディスク ドライブ", "DiskDrive"},
    {"サウンド、ビデオ、およびゲーム コントローラ", "MEDIA"},
    {"ネットワーク アダプタ", "Net"},
    {"SCSI と RAID コントローラ", "SCSIAdapter"},
    {"ディスプレイ アダプタ", "Display"},
    {"IDE ATA/ATAPI コントローラ", "hdc"},
    {"USB (Universal Serial Bus) コントローラ", "USB"},
    {"不明", "Unknown"},
    {"コンピュータ", "Computer"},
    {"プラグ アンド プレイではないドライバ", "LegacyDriver"},
    {"イメージング デバイス", "Image"},
    {"プリンタ", "Printer"},
    {"マウスとそのほかのポインティング デバイス", "HIDClass"},
    {"記憶域ボリューム", "Volume"},
    {"モニタ", "Monitor"},
    {"フロッピー ディスク", "FloppyDisk"},
};
// Devices of this class are never listed, in either language.
inline constexpr LabelPair kDeviceGroupLegacyDriver{"プラグ アンド プレイではないドライバ",
                                                    "LegacyDriver"};
inline constexpr char kDeviceClassUnknown[] = "Unknown";

// WMI inventory ("WMI").
inline constexpr char kItemSystem[] = "System";
inline constexpr char kItemBios[] = "BIOS";
inline constexpr char kItemBaseBoard[] = "BaseBoard";
inline constexpr char kItemSystemEnclosure[] = "SystemEnclosure";
// Also the prefix of the modules' Items: "PhysicalMemory1", "PhysicalMemory2", ...
inline constexpr char kItemPhysicalMemory[] = "PhysicalMemory";
inline constexpr char kSubItemVendor[] = "Vendor";
inline constexpr char kSubItemModel[] = "Model";
inline constexpr char kSubItemCaption[] = "Caption";
inline constexpr char kSubItemReleaseDate[] = "ReleaseDate";
inline constexpr char kSubItemSerialNo[] = "SerialNo";
inline constexpr char kSubItemProduct[] = "Product";
inline constexpr char kSubItemSerialNumber[] = "SerialNumber";
inline constexpr char kSubItemChassisTypes[] = "ChassisTypes";
inline constexpr char kSubItemMaxCapacity[] = "MaxCapacity";
inline constexpr char kSubItemSlot[] = "Slot";
inline constexpr char kSubItemDeviceLocator[] = "DeviceLocator";
inline constexpr char kSubItemCapacity[] = "Capacity";
inline constexpr char kSubItemSpeed[] = "Speed";
// Not a typo to fix: the form factor row has always been spelt this way.
inline constexpr char kSubItemFormFactor[] = "Formfacturer";
inline constexpr char kSubItemType[] = "Type";

// Administrator-defined items ("OTHER").
inline constexpr char kItemRegistry[] = "REGISTRY";
inline constexpr char kItemFileInfo[] = "FILEINFO";
// The Contents of a listed file that does not exist.
inline constexpr char kContentsNoFile[] = "Nofile";

}  // namespace norvale
