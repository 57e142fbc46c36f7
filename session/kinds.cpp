#include <session/kinds.h>

#include <fgb/convert/convert.h>

#include <cctype>

namespace kalvex::session {

namespace {

// A ".plt" file is a PCAD plot file, as the program's Open has it, though
// most ".plt" files about are HPGL: those are read with --from hpgl.
constexpr KindInfo kKinds[] = {
    {"hpgl", FGB_KIND_HPGL, true, true, ".hpg .hpgl", "HPGL"},
    {"gerber", FGB_KIND_GERBER, true, true, ".gbr", "Gerber"},
    {"gerber-cutter", FGB_KIND_GERBER_CUTTER, true, true, "", "Gerber-cutter"},
    {"dxf", FGB_KIND_DXF, true, true, ".dxf", "DXF"},
    {"ai", FGB_KIND_AI, true, false, ".ai", "Adobe Illustrator"},
    {"wmf", FGB_KIND_WMF, true, false, ".wmf", "Windows metafile"},
    {"pcad-plot", FGB_KIND_PCAD_PLOT, true, false, ".plt", "PCAD plot"},
    {"pcad-board", FGB_KIND_PCAD_BOARD, true, false, ".pcb", "PCAD board"},
};

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

}  // namespace

const KindInfo* kind_by_name(std::string_view name) {
  const std::string n = lower(name);
  for (const auto& k : kKinds)
    if (n == k.name) return &k;
  return nullptr;
}

const KindInfo* kind_by_code(int kind) {
  for (const auto& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

const KindInfo* kind_by_path(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return nullptr;
  const std::string ext = lower(name.substr(dot));
  for (const auto& k : kKinds) {
    std::string_view list = k.extensions;
    while (!list.empty()) {
      const size_t sp = list.find(' ');
      if (list.substr(0, sp) == ext) return &k;
      if (sp == std::string_view::npos) break;
      list.remove_prefix(sp + 1);
    }
  }
  return nullptr;
}

std::string kind_names() {
  std::string r;
  for (const auto& k : kKinds) {
    if (!r.empty()) r += ", ";
    r += k.name;
  }
  return r;
}

}  // namespace kalvex::session
