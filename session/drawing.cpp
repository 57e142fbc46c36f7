#include <session/drawing.h>
#include <session/import_check.h>

#include <fgb/convert/convert.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

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

std::string not_a_file(const char* path) {
  struct stat st;
  if (::stat(path, &st) != 0) return "not a regular file";
  if (S_ISDIR(st.st_mode)) return "a directory, not a file";
  if (S_ISCHR(st.st_mode)) return "a character device, not a file";
  if (S_ISBLK(st.st_mode)) return "a block device, not a file";
  if (S_ISSOCK(st.st_mode)) return "a socket, not a file";
  return "not a regular file";
}

std::string too_large(int64_t budget, const char* raise) {
  return "it would make more than " + std::to_string(budget) +
         " elements (every 8 points counting as one more); stopped. " + raise;
}

int64_t read_budget_of(const MainDB& doc, const char* path) {
  if (doc.GetMaxElements() > 0) return doc.GetMaxElements();
  struct stat st;
  const int64_t size = ::stat(path, &st) == 0 && S_ISREG(st.st_mode) ? int64_t{st.st_size} : 0;
  return std::max(kBudgetFloor, size / kBudgetBytesOfInput);
}

std::string edit_error(const MainDB& doc, const char* what, const std::string& path, const char* raise) {
  const std::string failed = std::string("cannot ") + what + " '" + path + "': ";
  switch (doc.GetFailure()) {
    case FGB_FAILED_NONE: return {};
    case FGB_FAILED_TOO_LARGE: {
      // The budget of an edit: the document's, else scaled to the drawing
      // as the operations scale it to the selection.
      const int64_t budget = doc.GetMaxElements() > 0
                                 ? doc.GetMaxElements()
                                 : std::max(kBudgetFloor, kBudgetPerSelected * (int64_t{doc.GetCountElems()} +
                                                                                doc.GetCountElemsS()));
      return failed + too_large(budget, raise);
    }
    default: return failed + "out of memory";
  }
}

std::string conversion_error(int status, const Pconvert& req, const char* kind_title, bool writing,
                             const MainDB* doc, const char* raise) {
  if (status == FGB_CONVERT_DONE) return {};
  const std::string path = req.path ? req.path : "";
  const std::string failed = std::string(writing ? "cannot write '" : "cannot read '") + path + "': ";
  const std::string kept = req.partial ? " (the drawing holds what was read before)" : "";
  switch (status) {
    case FGB_CONVERT_NO_MEMORY: return failed + "out of memory" + kept;
    case FGB_CONVERT_TOO_LARGE: {
      int64_t budget = kBudgetFloor;
      if (doc && writing) {
        // The curves flattened on the way count; the budget scales to what is written.
        const int64_t elements =
            (req.selection_only ? 0 : int64_t{doc->GetCountElems()}) + doc->GetCountElemsS();
        budget = req.max_elements > 0        ? req.max_elements
                 : doc->GetMaxElements() > 0 ? doc->GetMaxElements()
                                             : std::max(kBudgetFloor, kBudgetPerSelected * elements);
      } else if (doc) {
        budget = read_budget_of(*doc, path.c_str());
      }
      return failed + too_large(budget, raise) + kept;
    }
    case FGB_CONVERT_OUT_OF_RANGE:
      return failed + "the drawing reaches farther from the origin than " + kind_title +
             " files can hold (a coordinate or size beyond their numbers); nothing written";
    case FGB_CONVERT_NOT_A_FILE: return failed + not_a_file(path.c_str());
    case FGB_CONVERT_EMPTY:
      return "not writing '" + path +
             "': the drawing has no elements and the file is not empty (--force replaces it)";
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
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) {
    report.error = "cannot read '" + path + "': " + not_a_file(path.c_str());
    return false;
  }
  errno = 0;
  handle.mf =
      FileIsPlaceable(path.c_str()) ? GetPlaceableMetaFile(path.c_str(), &units) : GetMetaFileA(path.c_str());
  if (!handle.mf) {
    // The loaders leave errno at 0 only when the bytes are not a metafile.
    const int err = errno;
    if (err == ENOMEM)
      report.error = "cannot read '" + path + "': out of memory";
    else if (err != 0)
      report.error = "cannot read '" + path + "': " + std::strerror(err);
    else
      report.error = "cannot read '" + path + "': not a Windows metafile (no metafile header)";
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
  report.error = conversion_error(status, req, kind.title, false, &doc);
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
  req.force = opt.force ? 1 : 0;
  req.progress = progress.fn;
  req.progress_user = progress.user;
  const int status = doc.Convert(&req);
  elapsed = req.elapsed_time;
  report.error = conversion_error(status, req, kind.title, true, &doc);
  if (report.error.empty() && req.not_atomic)
    report.warnings.push_back("warning: '" + path +
                              "' is a device or a pipe: written directly, not replaced as a whole");
  return report.error.empty();
}

}  // namespace kalvex::session
