#include <session/file_types.h>
#include <session/import_check.h>

#include <fgb/convert/convert.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace kalvex::session {

const char* const kOpenFilter =
    "Metafile (*.wmf)|*.wmf|AutoCad (*.dxf)|*.dxf|HPGL file (*.hpg)|*.hpg|GERBER  plot-file (*.gbr)|*.gbr|"
    "Adobe Illustrator (*.ai )|*.ai|PCAD 4.5 - plt (*.plt)|*.plt|GERBER-Cutter  file (*.gbr)|*.gbr|"
    "All files (*.*)|*.*";

const char* const kSaveFilter =
    "HPGL file (*.hpg)|*.hpg|GERBER  plot-file (*.gbr)|*.gbr|AutoCad (*.dxf)|*.dxf|"
    "AutoCad, no single segments (*.dxf)|*.dxf|GERBER-Cutter  file (*.gbr)|*.gbr";

namespace {

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// How much of a file's start is looked at.
constexpr size_t kProbe = 4096;
// The key at the start of a placeable metafile.
constexpr unsigned char kPlaceableKey[4] = {0xD7, 0xCD, 0xC6, 0x9A};

bool is_text(const unsigned char* d, size_t n) {
  size_t odd = 0;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = d[i];
    if (c == 0) return false;
    if (c < 0x20 && c != '\n' && c != '\r' && c != '\t' && c != 0x1b) ++odd;
  }
  return odd * 50 <= n;
}

// DXF: group code 0 on the first line, then SECTION (or a 999 comment).
bool looks_like_dxf(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\r' || t[i] == '\n')) ++i;
  const std::string_view rest = t.substr(i);
  if (rest.rfind("999", 0) == 0) return true;
  if (rest.empty() || rest[0] != '0') return false;
  size_t j = 1;
  while (j < rest.size() && (rest[j] == ' ' || rest[j] == '\r' || rest[j] == '\n' || rest[j] == '\t')) ++j;
  return rest.substr(j).rfind("SECTION", 0) == 0;
}

// Gerber: format or aperture parameters, or a block ending in a D code.
bool looks_like_gerber(std::string_view t) {
  if (t.find("%FS") != std::string_view::npos || t.find("%MO") != std::string_view::npos ||
      t.find("%ADD") != std::string_view::npos)
    return true;
  for (const char* w : {"D01*", "D02*", "D03*", "D1*", "D2*", "D3*"}) {
    const size_t at = t.find(w);
    if (at != std::string_view::npos && at > 0 && (t[at - 1] >= '0' && t[at - 1] <= '9')) return true;
  }
  return false;
}

}  // namespace

int sniff_kind(const unsigned char* d, size_t n) {
  if (n >= 4 && std::memcmp(d, kPlaceableKey, 4) == 0) return FGB_KIND_WMF;
  if (!is_text(d, n)) return -1;
  const std::string_view t(reinterpret_cast<const char*>(d), n);
  const bool dxf = looks_like_dxf(t);
  const bool gerber = looks_like_gerber(t);
  const bool hpgl = looks_like_hpgl_text(d, n);
  if (dxf + gerber + hpgl != 1) return -1;  // nothing, or more than one: unknown
  return dxf ? FGB_KIND_DXF : gerber ? FGB_KIND_GERBER : FGB_KIND_HPGL;
}

int sniff_file(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  unsigned char head[kProbe];
  const size_t got = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return sniff_kind(head, got);
}

std::string extension_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot);
}

std::string strip_extension(const std::string& path) {
  const std::string ext = extension_of(path);
  return path.substr(0, path.size() - ext.size());
}

OpenKind open_kind(const std::string& path, int filter_index) {
  OpenKind k;
  const std::string ext = lower(extension_of(path));
  if (ext == ".wmf") {
    k.kind = FGB_KIND_WMF;
  } else if (ext == ".dxf") {
    k.kind = FGB_KIND_DXF;
  } else if (ext == ".hpg") {
    k.kind = FGB_KIND_HPGL;
  } else if (ext == ".plt") {
    // Most ".plt" files about are HPGL, which the PCAD plot reader would
    // turn into garbage.
    k.kind = hpgl_in_pcad_plot(path).empty() ? FGB_KIND_PCAD_PLOT : FGB_KIND_HPGL;
    k.sniffed = k.kind == FGB_KIND_HPGL;
  } else if (ext == ".pcb") {
    k.kind = FGB_KIND_PCAD_BOARD;
    k.ask_layer = true;
  } else if (ext == ".gbr") {
    k.kind = filter_index == kOpenFilterAll ? FGB_KIND_GERBER_CUTTER : FGB_KIND_GERBER;
  } else if (ext == ".ai") {
    k.kind = FGB_KIND_AI;
  } else {
    k.kind = sniff_file(path);
    k.sniffed = k.kind >= 0;
  }
  return k;
}

SaveType save_type(int index, bool selection_only) {
  SaveType t;
  switch (index) {
    case 1: t = {true, ".hpg", FGB_KIND_HPGL, true, 0}; break;
    case 2: t = {true, ".gbr", FGB_KIND_GERBER, true, 0}; break;
    case 3: t = {true, ".dxf", FGB_KIND_DXF, false, selection_only ? 1 : 0}; break;
    case 4: t = {true, ".dxf", FGB_KIND_DXF, false, selection_only ? 0 : 1}; break;
    case 5:
      if (!selection_only) t = {true, ".gbr", FGB_KIND_GERBER_CUTTER, true, 0};
      break;
    default: break;
  }
  return t;
}

}  // namespace kalvex::session
