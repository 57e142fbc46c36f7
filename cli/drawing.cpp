#include "drawing.h"

#include "import_check.h"
#include "progress.h"

#include <fgb/convert/convert.h>

#include <charconv>
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

void print_warnings(const session::Report& report, Io& io) {
  for (const std::string& w : report.warnings) complain(io, w);
}

}  // namespace

bool read_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap, Io& io,
                  int layer) {
  ProgressBar bar(io.err, io.progress, "reading " + path);
  session::Report report;
  const bool ok = session::read_drawing(doc, path, kind, ap, report, layer, {&ProgressBar::update, &bar},
                                        {io.cutter_units, io.report});
  bar.done();
  print_warnings(report, io);
  if (!ok) complain(io, report.error);
  return ok;
}

bool write_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap,
                   const WriteOptions& opt, Io& io, float& elapsed) {
  ProgressBar bar(io.err, io.progress, "writing " + path);
  session::Report report;
  const bool ok =
      session::write_drawing(doc, path, kind, ap, opt, report, elapsed, {&ProgressBar::update, &bar});
  bar.done();
  print_warnings(report, io);
  if (!ok) complain(io, report.error);
  return ok;
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
  const std::string why = err == kApertureNotAFile  ? session::not_a_file(path.c_str())
                          : err == kApertureTooLong ? "longer than any apertures table (" +
                                                          std::to_string(kApertureFileMax) + " bytes)"
                                                    : std::string(std::strerror(err));
  complain(io, "cannot read apertures table '" + path + "': " + why);
  return false;
}

bool max_elements_option(Args& args, const Command& cmd, Io& io, int64_t& n, int& status) {
  std::string text;
  n = 0;
  if (!args.value("--max-elements", text)) return true;
  const char* b = text.data();
  const char* e = b + text.size();
  const auto r = std::from_chars(b, e, n);
  if (r.ec == std::errc() && r.ptr == e && n > 0) return true;
  status = usage_error(io, cmd, "--max-elements needs a positive number of elements, not '" + text + "'");
  return false;
}

bool edited(const MainDB& doc, const char* what, const std::string& path, Io& io) {
  const std::string error = session::edit_error(doc, what, path);
  if (!error.empty()) complain(io, error);
  return error.empty();
}

}  // namespace kalvex::cli
