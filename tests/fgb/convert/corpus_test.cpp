// Real-world files of other programs (KALVEX_CORPUS_DIR, skipped when
// absent): every one is read without a crash, whatever it holds, every
// element it gives has finite coordinates, and what was read can be written
// in every kind, and as DXF read back with as many elements (flashes aside).
#include "convert_test_util.h"

#include <fgb/main_db.h>

using namespace convtest;
namespace fs = std::filesystem;

namespace {

struct Folder {
  const char* name;
  int kind;
  ReadFn read;
  size_t min_files_with_elements;
};

const Folder kFolders[] = {
    {"hpgl", FGB_KIND_HPGL, read_hpgl, 8},
    {"dxf", FGB_KIND_DXF, read_dxf, 8},
    {"gerber", FGB_KIND_GERBER, read_gerber, 5},
    {"knife", FGB_KIND_GERBER_CUTTER, read_cutter, 6},
};

TEST(Corpus, EveryFileReadsWithoutHarm) {
  const fs::path root = corpus_root();
  if (root.empty()) GTEST_SKIP() << "no corpus";
  static float apertures[100];
  for (int i = 0; i < 100; ++i) apertures[i] = 0.001f * static_cast<float>(i);
  ReadOptions opt;
  opt.apertures = apertures;
  opt.aperture_count = 100;
  for (const Folder& f : kFolders) {
    const fs::path dir = root / f.name;
    if (!fs::is_directory(dir)) continue;
    size_t with_elements = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
      const std::string bytes = slurp(entry.path());
      const auto elems = read_with(f.read, bytes, opt);
      for (const auto& e : elems) ASSERT_TRUE(all_finite(e)) << entry.path();
      if (!elems.empty()) ++with_elements;
      // The same file through the document, then out in every kind and back.
      MainDB doc;
      Pconvert rd{};
      const std::string path = entry.path().string();
      rd.path = path.c_str();
      rd.kind = f.kind;
      rd.apertures = apertures;
      rd.aperture_count = 100;
      ASSERT_EQ(doc.Convert(&rd), FGB_CONVERT_DONE) << path;
      EXPECT_EQ(static_cast<size_t>(doc.GetCountElems()), elems.size()) << path;
      const fs::path out = fs::temp_directory_path() / ("kalvex-corpus-" + std::to_string(::getpid()));
      const std::string out_path = out.string();
      for (int kind : {FGB_KIND_HPGL, FGB_KIND_GERBER, FGB_KIND_DXF, FGB_KIND_GERBER_CUTTER}) {
        for (uint8_t optimise : {0, 1}) {
          Pconvert wr{};
          wr.direction = 1;
          wr.path = out_path.c_str();
          wr.kind = kind;
          wr.optimise = optimise;
          wr.elapsed_time = -1.0f;
          fs::remove(out);  // a drawing without elements does not replace the last kind's output
          ASSERT_EQ(doc.Convert(&wr), FGB_CONVERT_DONE) << path << " as " << kind;
        }
        if (kind == FGB_KIND_DXF) {
          MainDB back;
          Pconvert again{};
          again.path = out_path.c_str();
          again.kind = kind;
          ASSERT_EQ(back.Convert(&again), FGB_CONVERT_DONE);
          // DXF has no form for flashes, and writes each member of a
          // polyline set (a text's strokes) as a polyline of its own.
          size_t drawn = 0;
          for (const auto& e : elems) drawn += e.kind == kPolylines ? e.members.size() : e.kind != kFlash;
          EXPECT_EQ(static_cast<size_t>(back.GetCountElems()), drawn) << path;
        }
      }
      fs::remove(out);
      std::printf("  %-8s %-55s %6zu elements\n", f.name, entry.path().filename().c_str(), elems.size());
    }
    EXPECT_GE(with_elements, f.min_files_with_elements) << f.name;
  }
}

}  // namespace
