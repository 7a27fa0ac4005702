// The words of the fleet report page, in English and Japanese. Stored texts
// (computer and application names, values) are never translated: only the
// page's own headings, labels and buttons.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvale::fleet {

enum class ReportLanguage { kEnglish, kJapanese };

// "en" or "ja"; nothing for anything else.
std::optional<ReportLanguage> ParseReportLanguage(std::string_view code);

struct ReportTexts {
  const char* lang;  // the page's lang attribute
  const char* title;
  const char* generated;
  const char* computers_total;
  const char* runs_loaded;
  const char* newest_run;
  const char* oldest_run;
  const char* not_seen;
  const char* clock_ahead;
  const char* overview;
  const char* chart_windows;
  const char* chart_memory;
  const char* chart_disk;
  const char* chart_cpu;
  const char* chart_apps;
  const char* low_disk;
  const char* no_low_disk;
  const char* unknown;
  const char* other;
  const char* no_data;
  // Sections
  const char* computers;
  const char* applications;
  const char* applications_hint;
  const char* applications_pages_hint;  // when each application has a page
  const char* changes;
  const char* errors;
  // Computer columns
  const char* col_computer;
  const char* col_last_run;
  const char* col_windows;
  const char* col_cpu;
  const char* col_processors;
  const char* col_memory;
  const char* col_disk_total;
  const char* col_disk_free;
  const char* col_free_pct;
  const char* col_ip;
  const char* col_mac;
  const char* col_domain;
  const char* col_user;
  const char* col_errors;
  // Application columns
  const char* col_application;
  const char* col_publisher;
  const char* col_versions;
  const char* col_version;
  const char* col_count;
  // Change and error columns
  const char* col_when;
  const char* col_kind;
  const char* col_category;
  const char* col_item;
  const char* col_subitem;
  const char* col_old;
  const char* col_new;
  const char* col_module;
  const char* col_number;
  const char* col_text;
  const char* kind_added;
  const char* kind_removed;
  const char* kind_changed;
  // Table controls (the script fills {a}, {b}, {n} and {name})
  const char* filter_placeholder;
  const char* previous;
  const char* next;
  const char* rows_range;
  const char* no_rows;
  const char* computers_with;
  const char* download;
  // Lists of the site page
  const char* col_days;
  const char* col_run_written;
  const char* col_loaded;
  const char* low_memory;
  const char* no_low_memory;
  // The computer pages
  const char* back_to_site;
  const char* history;
  const char* run_changes;
  const char* col_run;
  const char* col_rows;
  const char* col_previous;
};

const ReportTexts& TextsFor(ReportLanguage language);

// "added", "removed" or "changed" in the page's language; other text as it is.
const char* ChangeKindWord(const std::string& kind, const ReportTexts& texts);

}  // namespace norvale::fleet
