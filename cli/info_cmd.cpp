// kalvex-cli info FILE: what a drawing holds.
#include "drawing.h"

#include <array>
#include <charconv>

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

}  // namespace

int info_command(Args& args, Io& io) {
  const Command& self = *find_command("info");
  std::string from, apertures;
  args.value("--from", from);
  args.value("--apertures", apertures);
  int layer = 1, status = kExitOk;
  if (!layer_option(args, self, io, layer, status)) return status;
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
  if (!read_drawing(*doc, path, *kind, ap, io, layer)) return kExitFailed;

  KindCounts by_kind{};
  count_side(doc->GetFirstPage(), by_kind);
  FILE* out = io.out;
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
  return kExitOk;
}

}  // namespace kalvex::cli
