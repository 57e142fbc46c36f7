// Reads the HPGL file named on the command line into a document and prints
// its element count: the public headers of all three libraries, linked
// through the exported targets of an installed tree.
#include <fgb/fgb.h>
#include <geomkit/geomkit.h>
#include <nodestore/nodestore.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  MainDB doc;
  Pconvert req{};
  req.direction = 0;
  req.path = argv[1];
  req.kind = FGB_KIND_HPGL;
  if (doc.Convert(&req) != FGB_CONVERT_DONE) return 1;
  gr_segment seg{{0, 0}, {3, 4}};
  std::printf("elements %d, segment length %g\n", doc.GetCountElems(), gr_segment_len(&seg));
  return doc.GetCountElems() > 0 && ns_get_obj_type(tag_ns_handler{-1, 0}) == 0 ? 0 : 1;
}
