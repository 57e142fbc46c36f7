// kalvex-cli info FILE: what a drawing holds; with --report also what its
// reader passed over, with --json all of it for a program.
#include "drawing.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace kalvex::cli {

namespace {

const char* kind_name(int kind) {
  switch (kind) {
    case FGB_POLYLINE: return "polyline";
    case FGB_POLYLINES: return "polylines";
    case FGB_THICK_POLYLINE: return "thick polyline";
    case FGB_ARC: return "arc";
    case FGB_SEGMENT: return "segment";
    case FGB_CIRCLE: return "circle";
    case FGB_BEZIER: return "bezier";
    case FGB_FLASH: return "flash";
    default: return "other";
  }
}

// Numbers for scripts as much as for people: always "." and fixed decimals.
std::string num(double v, int decimals) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return std::string(buf, r.ptr);
}

// Elements by kind code, over every page of one side.
using KindCounts = std::array<long, FGB_KIND_SLOTS>;

void count_side(pages* first, KindCounts& by_kind) {
  for (pages* p = first; p; p = p->next) fgb_count_kinds_gdb(p->gdb, by_kind.data());
}

// A JSON string: quotes, backslashes and control characters escaped; other
// bytes as they are (file names are taken to be UTF-8).
std::string json_string(std::string_view s) {
  std::string r = "\"";
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      r += '\\';
      r += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      r += buf;
    } else {
      r += c;
    }
  }
  return r + "\"";
}

// A JSON number: shortest round-trip form, never the locale's.
std::string json_number(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

void print_json(FILE* out, const std::string& path, const KindInfo& kind, MainDB& doc,
                const KindCounts& by_kind, const fgb_import_report& rep) {
  std::string j = "{\"file\": " + json_string(path) + ", \"kind\": " + json_string(kind.name) +
                  ", \"elements\": " + std::to_string(doc.GetCountElems()) + ", \"by_kind\": {";
  bool first = true;
  for (size_t k = 0; k < by_kind.size(); ++k) {
    if (by_kind[k] <= 0) continue;
    j +=
        (first ? "" : ", ") + json_string(kind_name(static_cast<int>(k))) + ": " + std::to_string(by_kind[k]);
    first = false;
  }
  j += "}, \"box_in\": ";
  if (doc.GetCountElems() > 0) {
    const gr_cpoint lo = doc.GetNullP(), size = doc.GetDimension();
    j += "[" + json_number(lo.x) + ", " + json_number(lo.y) + ", " + json_number(lo.x + size.x) + ", " +
         json_number(lo.y + size.y) + "]";
  } else {
    j += "null";
  }
  j += ", \"pages\": " + std::to_string(doc.GetPageCount());
  j += ", \"units\": " + json_string(rep.units) + ", \"unit_inch\": " + json_number(rep.unit_inch);
  j += ", \"report\": {\"dialect\": " + json_string(rep.dialect) +
       ", \"places\": " + json_string(rep.by_line ? "line" : "offset") +
       ", \"items_lost\": " + std::to_string(rep.items_lost) + ", \"items\": [";
  for (uint32_t i = 0; i < rep.item_count && i < FGB_REPORT_ITEMS; ++i) {
    const fgb_report_item& it = rep.items[i];
    j += (i ? ", " : "") + std::string("{\"name\": ") + json_string(it.name) +
         ", \"what\": " + json_string(fgb_report_what_name(it.what)) +
         ", \"count\": " + std::to_string(it.count) + ", \"where\": [";
    for (uint32_t k = 0; k < it.places && k < FGB_REPORT_PLACES; ++k)
      j += (k ? ", " : "") + std::to_string(it.where[k]);
    j += "]}";
  }
  j += "]}}\n";
  std::fputs(j.c_str(), out);
}

}  // namespace

int info_command(Args& args, Io& io) {
  const Command& self = *find_command("info");
  std::string from, apertures;
  args.value("--from", from);
  args.value("--apertures", apertures);
  const bool want_report = args.flag("--report");
  const bool want_json = args.flag("--json");
  int layer = 1, status = kExitOk;
  if (!layer_option(args, self, io, layer, status)) return status;
  int64_t max_elements = 0;
  if (!max_elements_option(args, self, io, max_elements, status)) return status;
  std::vector<std::string> files;
  std::string error;
  if (!args.finish(files, error)) return usage_error(io, self, error);
  if (files.size() != 1) return usage_error(io, self, "needs one file");
  const std::string& path = files[0];
  const KindInfo* kind = choose_kind(from, path, false, error);
  if (!kind) return usage_error(io, self, error);
  Apertures ap;
  if (!load_apertures_option(apertures, ap, io)) return kExitFailed;

  Document doc = new_document(io);
  doc->SetMaxElements(max_elements);
  fgb_import_report report;
  io.report = &report;
  const bool read = read_drawing(*doc, path, *kind, ap, io, layer);
  io.report = nullptr;
  if (!read) return kExitFailed;

  KindCounts by_kind{};
  count_side(doc->GetFirstPage(), by_kind);
  FILE* out = io.out;
  if (want_json) {
    print_json(out, path, *kind, *doc, by_kind, report);
    return kExitOk;
  }
  std::fprintf(out, "file:     %s\nkind:     %s\nelements: %ld\n", path.c_str(), kind->name,
               static_cast<long>(doc->GetCountElems()));
  for (size_t k = 0; k < by_kind.size(); ++k)
    if (by_kind[k] > 0) std::fprintf(out, "  %-15s %ld\n", kind_name(static_cast<int>(k)), by_kind[k]);
  if (doc->GetCountElems() > 0) {
    const gr_cpoint lo = doc->GetNullP();
    const gr_cpoint size = doc->GetDimension();
    const gr_cpoint hi{lo.x + size.x, lo.y + size.y};
    const auto box = [&](const char* unit, double k, int d) {
      std::fprintf(out, "box %s:   x %s .. %s, y %s .. %s (%s x %s)\n", unit, num(lo.x * k, d).c_str(),
                   num(hi.x * k, d).c_str(), num(lo.y * k, d).c_str(), num(hi.y * k, d).c_str(),
                   num(size.x * k, d).c_str(), num(size.y * k, d).c_str());
    };
    box("in", 1.0, 4);
    box("mm", 25.4, 3);
  } else {
    std::fprintf(out, "box:      empty\n");
  }
  std::fprintf(out, "pages:    %ld\n", static_cast<long>(doc->GetPageCount()));
  if (want_report) {
    std::string text(fgb_report_format(&report, nullptr, 0) + 1, '\0');
    fgb_report_format(&report, text.data(), text.size());
    std::fprintf(out, "report:\n%s", text.c_str());
  }
  return kExitOk;
}

}  // namespace kalvex::cli
