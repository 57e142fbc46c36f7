#include <session/drawing.h>
#include <session/import_check.h>

#include <fgb/convert/convert.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kalvex::session {

Pconvert request_for(const std::string& path, const KindInfo& kind, const Apertures& ap) {
  Pconvert req;
  std::memset(&req, 0, sizeof req);
  req.path = path.c_str();
  req.kind = kind.kind;
  req.apertures = ap.sizes.data();
  req.sorted_apertures = ap.sorted.data();
  req.aperture_count = kApertureCount;
  req.elapsed_time = -1.0f;
  req.transform.scale = 1.0;
  req.transform.cos = 1.0;
  req.transform.xsign = 1;
  req.transform.ysign = 1;
  return req;
}

std::string conversion_error(int status, const Pconvert& req, const char* kind_title, bool writing) {
  if (status == FGB_CONVERT_DONE) return {};
  const std::string failed =
      std::string(writing ? "cannot write '" : "cannot read '") + (req.path ? req.path : "") + "': ";
  switch (status) {
    case FGB_CONVERT_NO_MEMORY: return failed + "out of memory";
    case FGB_CONVERT_NOTHING:
      return failed + (writing ? "no writer for " : "no reader for ") + kind_title + " files";
    case FGB_CONVERT_BAD_REQUEST: return failed + "no file name given";
    default:
      if (req.sys_error) return failed + std::strerror(req.sys_error);
      return failed + (writing ? "write error" : "read error");
  }
}

bool load_metafile(const std::string& path, Pconvert& req, MetafileHandle& handle, Report& report) {
  int units = kPlainMetafileUnits;
  handle.mf =
      FileIsPlaceable(path.c_str()) ? GetPlaceableMetaFile(path.c_str(), &units) : GetMetaFileA(path.c_str());
  if (!handle.mf) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
      report.error = "cannot read '" + path + "': " + std::strerror(errno);
    } else {
      std::fclose(f);
      report.error = "cannot read '" + path + "': not a Windows metafile (no metafile header)";
    }
    return false;
  }
  if (units == 0) {
    // A scale of 1 / 0 would put every point at infinity.
    report.warnings.push_back("warning: '" + path + "' gives 0 units per inch; reading it as " +
                              std::to_string(kPlainMetafileUnits));
    units = kPlainMetafileUnits;
  }
  req.metafile = handle.mf;
  req.transform.scale = 1.0 / units;
  return true;
}

bool read_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap,
                  Report& report, int layer, Progress progress, const ImportOptions& import) {
  Pconvert req = request_for(path, kind, ap);
  req.direction = 0;
  req.layer_or_flag = static_cast<int16_t>(static_cast<uint16_t>(layer));
  req.cutter_units = import.cutter_units;
  req.report = import.report;
  MetafileHandle metafile;
  if (kind.kind == FGB_KIND_WMF && !load_metafile(path, req, metafile, report)) return false;
  if (kind.kind == FGB_KIND_PCAD_PLOT) {
    const std::string why = hpgl_in_pcad_plot(path);
    if (!why.empty()) {
      report.error = "cannot read '" + path + "' as a PCAD plot file: " + why;
      return false;
    }
  }
  req.progress = progress.fn;
  req.progress_user = progress.user;
  const int status = doc.Convert(&req);
  report.error = conversion_error(status, req, kind.title, false);
  return report.error.empty();
}

bool write_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap,
                   const WriteOptions& opt, Report& report, float& elapsed, Progress progress) {
  Pconvert req = request_for(path, kind, ap);
  req.direction = 1;
  req.optimise = opt.optimise ? 1 : 0;
  req.layer_or_flag = 1;
  req.dxf_variant = opt.dxf_no_segments ? 1 : 0;
  req.selection_only = opt.selection_only ? 1 : 0;
  req.progress = progress.fn;
  req.progress_user = progress.user;
  const int status = doc.Convert(&req);
  elapsed = req.elapsed_time;
  report.error = conversion_error(status, req, kind.title, true);
  return report.error.empty();
}

}  // namespace kalvex::session
