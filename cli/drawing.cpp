#include "drawing.h"

#include "import_check.h"
#include "progress.h"

#include <fgb/convert/convert.h>

#include <cerrno>
#include <cstring>

namespace kalvex::cli {

Document new_document(const Io& io, DbNotifyTarget* window) {
  MainDB* doc = window ? new MainDB(window) : new MainDB();
  return Document(doc, DocumentDeleter{io.fast_exit});
}

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

// True when the conversion succeeded; otherwise false after a message
// naming the file and the cause.
bool converted(int status, const Pconvert& req, const KindInfo& kind, bool writing, Io& io) {
  if (status == FGB_CONVERT_DONE) return true;
  const std::string failed = std::string(writing ? "cannot write '" : "cannot read '") + req.path + "': ";
  switch (status) {
    case FGB_CONVERT_NO_MEMORY:
      complain(io, failed + "out of memory");
      break;
    case FGB_CONVERT_NOTHING:
      complain(io, failed + (writing ? "no writer for " : "no reader for ") + kind.title + " files");
      break;
    default:
      if (req.sys_error)
        complain(io, failed + std::strerror(req.sys_error));
      else
        complain(io, failed + (writing ? "write error" : "read error"));
      break;
  }
  return false;
}

// Metafile units per inch when the file has no placeable header.
constexpr int kPlainMetafileUnits = 1000;

struct MetafileHandle {
  HMETAFILE mf = nullptr;
  ~MetafileHandle() { DeleteMetaFile(mf); }
};

// Loads a metafile into the request: the handle, and the transform's scale
// from its units to inches. False after a message.
bool load_metafile(const std::string& path, Pconvert& req, MetafileHandle& handle, Io& io) {
  int units = kPlainMetafileUnits;
  handle.mf = FileIsPlaceable(path.c_str()) ? GetPlaceableMetaFile(path.c_str(), &units) : GetMetaFileA(path.c_str());
  if (!handle.mf) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
      complain(io, "cannot read '" + path + "': " + std::strerror(errno));
    } else {
      std::fclose(f);
      complain(io, "cannot read '" + path + "': not a Windows metafile (no metafile header)");
    }
    return false;
  }
  if (units == 0) {
    // A scale of 1 / 0 would put every point at infinity.
    complain(io, "warning: '" + path + "' gives 0 units per inch; reading it as " +
                     std::to_string(kPlainMetafileUnits));
    units = kPlainMetafileUnits;
  }
  req.metafile = handle.mf;
  req.transform.scale = 1.0 / units;
  return true;
}

}  // namespace

bool read_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap, Io& io,
                  int layer) {
  Pconvert req = request_for(path, kind, ap);
  req.direction = 0;
  req.layer_or_flag = static_cast<int16_t>(static_cast<uint16_t>(layer));
  MetafileHandle metafile;
  if (kind.kind == FGB_KIND_WMF && !load_metafile(path, req, metafile, io)) return false;
  if (kind.kind == FGB_KIND_PCAD_PLOT) {
    const std::string why = hpgl_in_pcad_plot(path);
    if (!why.empty()) {
      complain(io, "cannot read '" + path + "' as a PCAD plot file: " + why);
      return false;
    }
  }
  ProgressBar bar(io.err, io.progress, "reading " + path);
  req.progress = &ProgressBar::update;
  req.progress_user = &bar;
  const int status = doc.Convert(&req);
  bar.done();
  return converted(status, req, kind, false, io);
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
  return converted(status, req, kind, true, io);
}

bool layer_option(Args& args, const Command& cmd, Io& io, int& layer, int& status) {
  std::string text;
  layer = 1;
  if (!args.value("--layer", text)) return true;
  if (parse_layer(text, layer)) return true;
  status = usage_error(io, cmd, "--layer needs a layer number (0 to 65535, or -1), not '" + text + "'");
  return false;
}

bool load_apertures_option(const std::string& path, Apertures& ap, Io& io) {
  if (path.empty()) return true;
  int err = 0;
  if (load_apertures(path, ap, err)) return true;
  complain(io, "cannot read apertures table '" + path + "': " + std::strerror(err));
  return false;
}

}  // namespace kalvex::cli
