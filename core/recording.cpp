#include "core/recording.h"

#include <type_traits>

#include "core/number_format.h"
#include "core/result_labels.h"
#include "core/ui_texts.h"

namespace norvale {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

// Tabs and line breaks would split the row, so they become blanks. A field
// that begins with a quote would be read as a quoted field by spreadsheets,
// so it is quoted as their own tab-separated export does.
std::string TabField(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out.starts_with('"') ? Quoted(out) : out;
}

// Any field may hold a comma: a computer name, a date format, a value.
std::string CommaField(const std::string& text) {
  return text.find_first_of(",\"\r\n") == std::string::npos ? text : Quoted(text);
}

}  // namespace

std::string ValueText(Context& ctx, const Value& value) {
  return std::visit(
      [&](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return FormatShortest(v, ctx.os.locale.DecimalSeparator());
        } else if constexpr (std::is_same_v<T, Date>) {
          return ctx.os.locale.ShortDate(v);
        } else {
          return ctx.os.locale.TimeText(v);
        }
      },
      value);
}

std::string FormatResultLine(const std::string (&texts)[kColumnCount], SaveType save_type) {
  const bool tabs = save_type == SaveType::kTab;
  std::string line;
  for (int i = 0; i < kColumnCount; ++i) {
    if (i > 0) line += tabs ? '\t' : ',';
    line += tabs ? TabField(texts[i]) : CommaField(texts[i]);
  }
  return line;
}

void RecordValues(Context& ctx, const Value& key, const Value& group, const Value& item,
                  const Value& sub_item, const Value& contents, const Value& unit,
                  const Value& renewalday) {
  MainState& m = ctx.main;
  try {
    const Value* values[kColumnCount] = {&key, &group, &item, &sub_item, &contents, &unit,
                                         &renewalday};
    std::string texts[kColumnCount];
    for (int i = 0; i < kColumnCount; ++i) texts[i] = ValueText(ctx, *values[i]);

    if (!m.settings.automatic() && m.list != nullptr) {
      const int row = static_cast<int>(m.next_row);
      m.list->AddListRow(row, texts[0]);
      for (int column = 1; column < kColumnCount; ++column) {
        m.list->SetListCell(row, column, texts[column]);
      }
    }
    if (m.writing_result_file) {
      if (!m.result_file) throw Failure::BadFileName();
      // Quoting is decided on the text as written: the code page may lack a
      // character, and what stands in for it must not go unquoted.
      std::string ansi[kColumnCount];
      for (int i = 0; i < kColumnCount; ++i) ansi[i] = ctx.os.locale.ToAnsi(texts[i]);
      std::string line = FormatResultLine(ansi, m.settings.save_type);
      line += "\r\n";
      try {
        m.result_file->Write(line);
      } catch (const Failure& failure) {
        // The row is in the list, so the next one goes below it; the save
        // itself fails with this error once the run is over.
        if (!m.save_row_failure) m.save_row_failure = failure;
      }
    }
    ++m.next_row;
  } catch (const Failure& failure) {
    if (!m.writing_result_file) {
      ctx.os.ui.ShowMessage(kMessageRecordFailed + failure.description(),
                            platform::MessageIcon::kNone);
    } else if (!m.save_row_failure) {
      // No message in the middle of a save, but a row missing from the file
      // makes the whole file wrong: the save ends with this failure.
      m.save_row_failure = failure;
    }
  }
}

void RecordRow(Context& ctx, const Value& group, const Value& item, const Value& sub_item,
               const Value& contents, const Value& unit) {
  RecordValues(ctx, ctx.main.computer_name, group, item, sub_item, contents, unit,
               ctx.os.system.Now().date);
}

void ErrorRow(Context& ctx, std::string_view group, std::string_view module,
              const Failure& failure) {
  RecordRow(ctx, std::string(group), std::string(kItemError), std::string(module),
            Value{failure.number()}, failure.description());
}

std::string GetComputerNameText(Context& ctx) { return ctx.os.system.ComputerName(); }

}  // namespace norvale
