// Every text the window and its message boxes show, byte for byte as users
// and their documentation know them.
#pragma once

#include "core/result_labels.h"
#include "platform/ui.h"

namespace norvale {

// Message prefixes: where it failed, followed directly by the description.
inline constexpr char kMessageRecordFailed[] = "mMain,ValueSet:";
inline constexpr char kMessageFullRunFailed[] = "mMain,showall:";
inline constexpr char kMessageStartFailed[] = "Form1,Load:";
inline constexpr char kMessageMenuFailed[] = "Form1,Menu:";

// After a save from the window: the path, then this (Japanese) ...
inline constexpr char kMessageSavedJapaneseSuffix[] = " に保存しました";
// ... or the path between these (English).
inline constexpr char kMessageSavedEnglishPrefix[] = "saved to an '";
inline constexpr char kMessageSavedEnglishSuffix[] = "'";

// A save that failed; followed directly by the description.
inline constexpr LabelPair kMessageNotSaved{"保存できませんでした:", "not saved:"};
// A settings key that could not be written: the path, then the Japanese text,
// or the path between the English ones.
inline constexpr char kMessageNotWrittenJapaneseSuffix[] = " に書き込めませんでした";
inline constexpr char kMessageNotWrittenEnglishPrefix[] = "could not write to '";
inline constexpr char kMessageNotWrittenEnglishSuffix[] = "'";
inline constexpr LabelPair kMessageFolderNotStorable{
    "このフォルダ名は設定ファイルに保存できません",
    "this folder name cannot be stored in the settings file"};

inline constexpr char kMessageNoDrives[] = "No Drives were found!";

// The local security policy could not be opened; followed by the status.
inline constexpr LabelPair kMessageLsaOpenFailed{
    "ローカル セキュリティ ポリシーを開けないため、ドメインとワークグループを読めません。"
    "\n状態 ",
    "The local security policy could not be opened, so the domain and workgroup "
    "cannot be read.\nStatus "};

// Settings menu dialogs; Japanese in every language.
inline constexpr char kFolderChooserTitle[] = "フォルダを指定してください";
inline constexpr char kDelayPrompt[] = "データを保存時に遅延を発生する場合に入力（単位:秒）";
inline constexpr char kDelayTitle[] = "遅延時間設定";
inline constexpr char kDelayNotANumber[] = "半角数字を入力してください";

// Every menu's text, in menu order. The window is built with the Japanese
// texts; on other systems those that differ become the English ones at start.
struct MenuText {
  platform::MenuItem item;
  LabelPair text;
};
inline constexpr MenuText kMenuTexts[] = {
    {platform::MenuItem::kFile, {"ファイル(&F)", "File(&F)"}},
    {platform::MenuItem::kSave, {"保存(&S)", "Save(&S)"}},
    {platform::MenuItem::kEnd, {"終了(&E)", "End(&E)"}},
    {platform::MenuItem::kView, {"表示(&V)", "View(&V)"}},
    {platform::MenuItem::kShowAll, {"すべて表示", "All"}},
    {platform::MenuItem::kShowHard, {"Hard", "Hard"}},
    {platform::MenuItem::kShowDrive, {"Drive", "Drive"}},
    {platform::MenuItem::kShowLan, {"LAN", "LAN"}},
    {platform::MenuItem::kShowSoft, {"Soft", "Soft"}},
    {platform::MenuItem::kShowApp, {"Application", "Application"}},
    // Cut short on purpose: the View item has always read so; not a typo to fix.
    {platform::MenuItem::kShowEnv, {"Environm", "Environm"}},
    {platform::MenuItem::kShowDevice, {"Device", "Device"}},
    {platform::MenuItem::kShowWmi, {"WMI", "WMI"}},
    {platform::MenuItem::kSetting, {"設定(&S)", "Settings(&S)"}},
    {platform::MenuItem::kSaveType, {"保存形式", "SaveType"}},
    {platform::MenuItem::kSaveTab, {"タブ区切り", "TSV"}},
    {platform::MenuItem::kSaveCsv, {"CSV形式", "CSV"}},
    {platform::MenuItem::kAuto, {"自動保存・自動終了", "AutoSave,AutoQuit"}},
    // Not a typo to fix: the folder item has always read "SaveFilder".
    {platform::MenuItem::kFolder, {"保存先設定(&F)", "SaveFilder(&F)"}},
    {platform::MenuItem::kSaveDelay, {"保存遅延", "SaveDelay"}},
    {platform::MenuItem::kHelp, {"ヘルプ(&H)", "Help(&H)"}},
    {platform::MenuItem::kVersion, {"バージョン情報(&V)", "Version(&V)"}},
};

// The texts of one menu item.
constexpr const LabelPair& MenuTextOf(platform::MenuItem item) {
  for (const MenuText& menu : kMenuTexts) {
    if (menu.item == item) return menu.text;
  }
  return kMenuTexts[0].text;  // every item has its row; see the table's test
}

// The save type item shows the current type.
inline constexpr LabelPair kMenuSaveTypeTab{"保存形式（タブ区切り）", "SaveType(TSV)"};
inline constexpr LabelPair kMenuSaveTypeComma{"保存形式（CSV形式）", "SaveType(CSV)"};

// The list's font: Meiryo where installed, else MS P Gothic.
inline constexpr char kListFontMeiryo[] = "メイリオ";
inline constexpr char kListFontGothic[] = "ＭＳ Ｐゴシック";

// The about box: the maker and the button read the same in every language.
inline constexpr LabelPair kAboutTitle{"バージョン情報", "Version"};
inline constexpr char kAboutMaker[] = "KESTREL WORKS";
inline constexpr char kAboutOk[] = "OK";

}  // namespace norvale
