#include "drawing.h"

#include "progress.h"

#include <fgb/convert/convert.h>

#include <cstring>

namespace kalvex::cli {

Document new_document(const Io& io) { return Document(new MainDB(), DocumentDeleter{io.fast_exit}); }

const KindInfo* choose_kind(const std::string& option, const std::string& path, bool writing,
                            std::string& error) {
  const KindInfo* k = nullptr;
  if (!option.empty()) {
    k = kind_by_name(option);
    if (!k) {
      error = "unknown file kind '" + option + "' (known: " + kind_names() + ")";
      return nullptr;
    }
  } else {
    k = kind_by_path(path);
    if (!k) {
      error = "cannot tell the kind of '" + path + "' from its extension; use " +
              (writing ? "--to" : "--from") + " KIND (" + kind_names() + ")";
      return nullptr;
    }
  }
  if (writing ? !k->writable : !k->readable) {
    error = std::string(k->title) + " files cannot be " + (writing ? "written" : "read");
    return nullptr;
  }
  return k;
}

namespace {

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

std::string cause(const Pconvert& req, const char* fallback) {
  return req.sys_error ? std::strerror(req.sys_error) : fallback;
}

}  // namespace

bool read_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap, Io& io) {
  Pconvert req = request_for(path, kind, ap);
  req.direction = 0;
  ProgressBar bar(io.err, io.progress, "reading " + path);
  req.progress = &ProgressBar::update;
  req.progress_user = &bar;
  const int status = doc.Convert(&req);
  bar.done();
  switch (status) {
    case FGB_CONVERT_DONE:
      return true;
    case FGB_CONVERT_NO_MEMORY:
      complain(io, "cannot read '" + path + "': out of memory");
      return false;
    case FGB_CONVERT_NOTHING:
      complain(io, "cannot read '" + path + "': no reader for " + kind.title + " files");
      return false;
    default:
      complain(io, "cannot read '" + path + "': " + cause(req, "read error"));
      return false;
  }
}

bool write_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap,
                   const WriteOptions& opt, Io& io, float& elapsed) {
  Pconvert req = request_for(path, kind, ap);
  req.direction = 1;
  req.optimise = opt.optimise ? 1 : 0;
  req.layer_or_flag = 1;
  req.dxf_variant = opt.dxf_no_segments ? 1 : 0;
  req.selection_only = opt.selection_only ? 1 : 0;
  ProgressBar bar(io.err, io.progress, "writing " + path);
  req.progress = &ProgressBar::update;
  req.progress_user = &bar;
  const int status = doc.Convert(&req);
  bar.done();
  elapsed = req.elapsed_time;
  switch (status) {
    case FGB_CONVERT_DONE:
      return true;
    case FGB_CONVERT_NO_MEMORY:
      complain(io, "cannot write '" + path + "': out of memory");
      return false;
    case FGB_CONVERT_NOTHING:
      complain(io, "cannot write '" + path + "': no writer for " + kind.title + " files");
      return false;
    default:
      complain(io, "cannot write '" + path + "': " + cause(req, "write error"));
      return false;
  }
}

bool load_apertures_option(const std::string& path, Apertures& ap, Io& io) {
  if (path.empty()) return true;
  int err = 0;
  if (load_apertures(path, ap, err)) return true;
  complain(io, "cannot read apertures table '" + path + "': " + std::strerror(err));
  return false;
}

}  // namespace kalvex::cli
