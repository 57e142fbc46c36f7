// Real Illustrator and metafile files of other programs (KALVEX_CORPUS_DIR,
// skipped when absent): every one reads without a crash and with finite
// points; the files we know give the elements they hold (counted apart
// from the reader: the painted paths after the setup end, or the prolog's
// end, with more than a moveto, each subpath of the later operators; the
// metafiles' polygon records, runs of LineTo, rectangles, ellipses, arcs
// and texts with a character to draw).
#include "convert_test_util.h"

#include <map>

using namespace convtest;
namespace fs = std::filesystem;

namespace {

struct Folder {
  const char* name;
  ReadFn read;
  std::map<std::string, size_t> known;  // file -> elements
};

TEST(ImportCorpus, EveryFileReadsWithPlausibleCounts) {
  const fs::path root = corpus_root();
  if (root.empty()) GTEST_SKIP() << "no corpus";
  const Folder folders[] = {
      {"ai",
       read_ai,
       {{"uniconvertor_probe.ai", 1},
        {"ghostscript_tiger.eps", 239},          // no setup end: read after the prolog's
        {"pillow_illu10_no_preview.eps", 39}}},  // mo, li, cv: 41 subpaths, 2 of them clipping
      {"wmf",
       read_wmf_file,
       {{"pillow_drawing.wmf", 1},
        {"wmf2svg_fulltest.wmf", 123},
        {"wmf2svg_symbol-font-tables.wmf", 644},
        {"wmfemfviewer_image208.wmf", 18},
        {"wmfemfviewer_image212.wmf", 10},
        {"wmfemfviewer_image74.wmf", 8},  // a run of 4 LineTo, a polygon, a stroke, 5 texts
        {"wmfemfviewer_sample.wmf", 26}}},
  };
  size_t files = 0;
  for (const Folder& f : folders) {
    const fs::path dir = root / f.name;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      ReadOptions opt;
      opt.transform = gr_ctrans{0, 0, 1.0 / 1440, 0, 1, 1, 1};
      const auto elems = read_with(f.read, slurp(entry.path()), opt);
      for (const auto& e : elems) ASSERT_TRUE(all_finite(e)) << entry.path();
      const auto known = f.known.find(entry.path().filename().string());
      if (known != f.known.end()) {
        EXPECT_EQ(elems.size(), known->second) << entry.path();
      }
      ++files;
    }
  }
  if (files == 0) GTEST_SKIP() << "no Illustrator or metafile files in the corpus";
}

}  // namespace
