// The import report: entries by name, places turned into lines at the end.
#include "convert/report_p.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace fgb::conv {

namespace {

void copy_text(char* dst, size_t cap, std::string_view text) {
  const size_t n = std::min(text.size(), cap - 1);
  std::memcpy(dst, text.data(), n);
  dst[n] = 0;
}

// Names are kept as the file spells them, but only printable ASCII: a
// name is shown to a person and written into JSON.
void copy_name(char* dst, std::string_view name) {
  size_t n = 0;
  for (char c : name) {
    if (n + 1 >= FGB_REPORT_NAME_SIZE) break;
    const auto u = static_cast<unsigned char>(c);
    dst[n++] = u >= 0x20 && u < 0x7F && c != '"' && c != '\\' ? c : '?';
  }
  dst[n] = 0;
}

int add_entry(fgb_import_report* r, std::string_view name, int what, uint64_t where) {
  char key[FGB_REPORT_NAME_SIZE];
  copy_name(key, name);
  for (uint32_t i = 0; i < r->item_count && i < FGB_REPORT_ITEMS; ++i) {
    fgb_report_item& it = r->items[i];
    if (it.what != what || std::strcmp(it.name, key) != 0) continue;
    if (it.count != UINT32_MAX) ++it.count;
    if (it.places < FGB_REPORT_PLACES) it.where[it.places++] = where;
    return 1;
  }
  if (r->item_count >= FGB_REPORT_ITEMS) {
    if (r->items_lost != UINT32_MAX) ++r->items_lost;
    return 0;
  }
  fgb_report_item& it = r->items[r->item_count++];
  std::memset(&it, 0, sizeof it);
  std::memcpy(it.name, key, sizeof key);
  it.what = what;
  it.count = 1;
  it.places = 1;
  it.where[0] = where;
  return 1;
}

}  // namespace

Reporter::Reporter(fgb_import_report* out, const uint8_t* data, size_t size, bool by_line) noexcept
    : out_(out), data_(data), size_(size), by_line_(by_line) {
  if (out_) out_->by_line = by_line ? 1 : 0;
}

void Reporter::add_slow(std::string_view name, int what, size_t offset) noexcept {
  add_entry(out_, name, what, offset);
}

void Reporter::dialect(std::string_view text) noexcept {
  if (out_) copy_text(out_->dialect, sizeof out_->dialect, text);
}

void Reporter::units(std::string_view text, double unit_inch) noexcept {
  if (!out_) return;
  copy_text(out_->units, sizeof out_->units, text);
  out_->unit_inch = unit_inch;
}

// Line of an offset = 1 + the line breaks before it; a break is LF, or a CR
// not followed by LF (files come with LF, CR LF or lone CR line ends). All
// places are visited in offset order so the data is scanned once, and only
// up to the last place.
void Reporter::finish() noexcept {
  if (finished_ || !out_) return;
  finished_ = true;
  if (!by_line_) return;
  uint64_t* places[FGB_REPORT_ITEMS * FGB_REPORT_PLACES];
  size_t n = 0;
  const uint32_t items = std::min<uint32_t>(out_->item_count, FGB_REPORT_ITEMS);
  for (uint32_t i = 0; i < items; ++i)
    for (uint32_t k = 0; k < out_->items[i].places && k < FGB_REPORT_PLACES; ++k)
      places[n++] = &out_->items[i].where[k];
  std::sort(places, places + n, [](const uint64_t* a, const uint64_t* b) { return *a < *b; });
  uint64_t line = 1;
  size_t pos = 0;
  for (size_t i = 0; i < n; ++i) {
    const size_t to = static_cast<size_t>(std::min<uint64_t>(*places[i], size_));
    for (; pos < to; ++pos) {
      const uint8_t c = data_[pos];
      if (c == '\n' || (c == '\r' && (pos + 1 >= size_ || data_[pos + 1] != '\n'))) ++line;
    }
    *places[i] = line;
  }
}

}  // namespace fgb::conv

// ---- the plain interface ----------------------------------------------------

void fgb_report_init(fgb_import_report* report) noexcept {
  if (!report) return;
  std::memset(report, 0, sizeof *report);
  report->size = sizeof *report;
  report->by_line = 1;
}

int fgb_report_add(fgb_import_report* report, const char* name, int what, uint64_t where) noexcept {
  if (!report || !name) return 0;
  return fgb::conv::add_entry(report, name, what, where);
}

const char* fgb_report_what_name(int what) noexcept {
  switch (what) {
    case FGB_REPORT_SKIPPED: return "skipped";
    case FGB_REPORT_NOT_REPRESENTED: return "not represented";
    case FGB_REPORT_APPROXIMATED: return "approximated";
    case FGB_REPORT_DROPPED: return "dropped";
    case FGB_REPORT_NOTE: return "note";
    default: return "?";
  }
}

size_t fgb_report_format(const fgb_import_report* report, char* out, size_t size) noexcept {
  try {
    std::string s;
    if (report) {
      const auto line = [&](const char* label, const char* text) {
        if (!*text) return;
        s += label;
        s += text;
        s += '\n';
      };
      line("dialect: ", report->dialect);
      line("units:   ", report->units);
      const uint32_t items = std::min<uint32_t>(report->item_count, FGB_REPORT_ITEMS);
      if (items == 0) s += "nothing skipped\n";
      for (uint32_t i = 0; i < items; ++i) {
        const fgb_report_item& it = report->items[i];
        char head[96];
        std::snprintf(head, sizeof head, "  %-15s %-16s %10u  %s", it.name, fgb_report_what_name(it.what),
                      static_cast<unsigned>(it.count), report->by_line ? "line" : "offset");
        s += head;
        const uint32_t places = std::min<uint32_t>(it.places, FGB_REPORT_PLACES);
        for (uint32_t k = 0; k < places; ++k) {
          s += k ? ", " : (places > 1 ? "s " : " ");
          s += std::to_string(it.where[k]);
        }
        if (it.count > places) s += ", ...";
        s += '\n';
      }
      if (report->items_lost) s += "  (" + std::to_string(report->items_lost) + " more of names not kept)\n";
    }
    if (size > 0 && out) {
      const size_t n = std::min(s.size(), size - 1);
      std::memcpy(out, s.data(), n);
      out[n] = 0;
    }
    return s.size();
  } catch (...) {
    if (size > 0 && out) out[0] = 0;
    return 0;
  }
}
