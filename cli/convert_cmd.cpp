// kalvex-cli convert IN OUT: read a drawing, write it as another kind.
#include "drawing.h"

namespace kalvex::cli {

int convert_command(Args& args, Io& io) {
  const Command& self = *find_command("convert");
  std::string from, to, apertures;
  args.value("--from", from);
  args.value("--to", to);
  args.value("--apertures", apertures);
  int layer = 1, status = kExitOk;
  if (!layer_option(args, self, io, layer, status)) return status;
  WriteOptions w;
  w.optimise = args.flag("--optimise") || args.flag("--optimize");
  w.dxf_no_segments = args.flag("--dxf-no-segments");
  w.force = args.flag("--force");
  int64_t max_elements = 0;
  if (!max_elements_option(args, self, io, max_elements, status)) return status;
  std::vector<std::string> files;
  std::string error;
  if (!args.finish(files, error)) return usage_error(io, self, error);
  if (files.size() != 2) return usage_error(io, self, "needs an input and an output file");
  const std::string& in = files[0];
  const std::string& out = files[1];

  const KindInfo* in_kind = choose_kind(from, in, false, error);
  if (!in_kind) return usage_error(io, self, error);
  const KindInfo* out_kind = choose_kind(to, out, true, error);
  if (!out_kind) return usage_error(io, self, error);
  Apertures ap;
  if (!load_apertures_option(apertures, ap, io)) return kExitFailed;

  Document doc = new_document(io);
  doc->SetMaxElements(max_elements);
  if (!read_drawing(*doc, in, *in_kind, ap, io, layer)) return kExitFailed;
  if (doc->GetCountElems() == 0)
    complain(io, "warning: no " + std::string(in_kind->title) + " elements found in '" + in + "'");
  float elapsed = -1.0f;
  if (!write_drawing(*doc, out, *out_kind, ap, w, io, elapsed)) return kExitFailed;
  if (w.optimise && elapsed != -1.0f) {
    const long seconds = static_cast<long>(elapsed);
    std::fprintf(io.out, "estimated plotting time: %ld s (%ld:%02ld:%02ld)\n", seconds, seconds / 3600,
                 seconds / 60 % 60, seconds % 60);
  }
  return kExitOk;
}

}  // namespace kalvex::cli
