// Every text the window and its message boxes show, byte for byte as users
// and their documentation know them.
#pragma once

#include "core/result_labels.h"

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
