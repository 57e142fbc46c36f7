// Loading metafiles (FileIsPlaceable, GetPlaceableMetaFile, GetMetaFileA,
// the handle functions) and converting a loaded one through the document:
// files with placeable headers of every wrong size, plain files, files that
// are no metafile; the handle stays the caller's.
#include "convert_test_util.h"
#include "wmf_builder.h"

#include <fgb/convert/wmf.h>
#include <fgb/main_db.h>

#include <unistd.h>

using namespace convtest;
using namespace wmftest;
namespace fs = std::filesystem;

namespace {

Wmf two_polylines() {
  Wmf w;
  w.polyline({{0, 0}, {1000, 0}})
      .pen(PS_SOLID, 10, 0xff)
      .select(0)
      .polyline({{0, 0}, {0, 2000}, {500, 500}})
      .eof();
  return w;
}

std::string bits_of(HMETAFILE mf) {
  std::string s(GetMetaFileBitsEx(mf, 0, nullptr), '\0');
  EXPECT_EQ(GetMetaFileBitsEx(mf, static_cast<uint32_t>(s.size()), s.data()), s.size());
  return s;
}

TEST(WmfFile, PlaceableOrNot) {
  TempFolder t;
  const std::string placeable = two_polylines().placeable(1440);
  const struct {
    const char* name;
    std::string bytes;
    int placeable;
  } rows[] = {
      {"placeable", placeable, 1},
      {"key and 24 bytes", placeable.substr(0, 24), 1},
      {"key and 23 bytes", placeable.substr(0, 23), 0},
      {"plain", two_polylines().bits(), 0},
      {"empty", "", 0},
  };
  for (const auto& r : rows)
    EXPECT_EQ(FileIsPlaceable(t.write("f.wmf", r.bytes).c_str()), r.placeable) << r.name;
  EXPECT_EQ(FileIsPlaceable((fs::temp_directory_path() / "kalvex-no-such-file.wmf").c_str()), 0);
  EXPECT_EQ(FileIsPlaceable(nullptr), 0);
}

TEST(WmfFile, PlaceableHeaderAndTheSizeItGives) {
  TempFolder t;
  const Wmf w = two_polylines();
  const std::string bits = w.bits();
  const std::string file = w.placeable(2540);
  int units = 0;
  HMETAFILE mf = GetPlaceableMetaFile(t.write("a.wmf", file).c_str(), &units);
  ASSERT_NE(mf, nullptr);
  EXPECT_EQ(units, 2540);
  EXPECT_EQ(bits_of(mf), bits);
  EXPECT_EQ(DeleteMetaFile(mf), 1);

  // The size in the standard header is not trusted.
  const auto with_size = [&](uint32_t words) {
    std::string f = file;
    for (int i = 0; i < 4; ++i) f[22 + 6 + i] = static_cast<char>((words >> (8 * i)) & 0xff);
    return f;
  };
  const struct {
    const char* name;
    uint32_t words;
    size_t bytes;  // of the metafile loaded
  } sizes[] = {
      {"shorter: the metafile ends there", 9 + 4, 26},
      {"zero: the rest of the file", 0, bits.size()},
      {"below the header: the rest of the file", 8, bits.size()},
      {"past the end: the rest of the file", 0xffffffffu, bits.size()},
  };
  for (const auto& s : sizes) {
    mf = GetPlaceableMetaFile(t.write("b.wmf", with_size(s.words)).c_str(), &units);
    ASSERT_NE(mf, nullptr) << s.name;
    EXPECT_EQ(GetMetaFileBitsEx(mf, 0, nullptr), s.bytes) << s.name;
    DeleteMetaFile(mf);
  }

  // Too short for a metafile after the placeable header: no handle, but
  // the units are already read.
  units = 0;
  EXPECT_EQ(GetPlaceableMetaFile(t.write("c.wmf", file.substr(0, 30)).c_str(), &units), nullptr);
  EXPECT_EQ(units, 2540);
  units = 7;
  EXPECT_EQ(GetPlaceableMetaFile(t.write("d.wmf", file.substr(0, 21)).c_str(), &units), nullptr);
  EXPECT_EQ(units, 7);
  EXPECT_EQ(GetPlaceableMetaFile((fs::temp_directory_path() / "kalvex-no-such-file.wmf").c_str(), &units),
            nullptr);
  // No room for the units: still loads.
  mf = GetPlaceableMetaFile(t.write("e.wmf", file).c_str(), nullptr);
  EXPECT_NE(mf, nullptr);
  DeleteMetaFile(mf);
}

TEST(WmfFile, PlainMetafilesAndOthers) {
  TempFolder t;
  const Wmf w = two_polylines();
  HMETAFILE mf = GetMetaFileA(t.write("plain.wmf", w.bits()).c_str());
  ASSERT_NE(mf, nullptr);
  EXPECT_EQ(bits_of(mf), w.bits());
  DeleteMetaFile(mf);
  EXPECT_EQ(GetMetaFileA(t.write("p.wmf", w.placeable(1000)).c_str()), nullptr);  // placeable is not plain
  EXPECT_EQ(GetMetaFileA(t.write("t.wmf", "IN;PU0,0;PD100,100;PU;").c_str()), nullptr);
  EXPECT_EQ(GetMetaFileA(t.write("s.wmf", w.bits().substr(0, 17)).c_str()), nullptr);
  EXPECT_EQ(GetMetaFileA(nullptr), nullptr);
  EXPECT_EQ(SetMetaFileBitsEx(8, reinterpret_cast<const uint8_t*>("12345678")), nullptr);
  EXPECT_EQ(DeleteMetaFile(nullptr), 0);
  EXPECT_EQ(GetMetaFileBitsEx(nullptr, 0, nullptr), 0u);
}

TEST(WmfFile, ConvertingALoadedMetafile) {
  const std::string bits = two_polylines().bits();
  HMETAFILE mf =
      SetMetaFileBitsEx(static_cast<uint32_t>(bits.size()), reinterpret_cast<const uint8_t*>(bits.data()));
  ASSERT_NE(mf, nullptr);
  MainDB doc;
  Pconvert req{};
  req.direction = 0;
  req.kind = FGB_KIND_WMF;
  req.metafile = mf;
  req.transform = gr_ctrans{0, 0, 1.0 / 1000, 0, 1, 1, 1};
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_EQ(doc.GetCountElems(), 2);
  EXPECT_NEAR(doc.GetDimension().y, 2.0, 1e-12);
  // The handle is still the caller's: it converts again.
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_EQ(doc.GetCountElems(), 4);
  EXPECT_EQ(DeleteMetaFile(mf), 1);
  // Only direction 0 reads a metafile; without a handle nothing is read.
  req.metafile = nullptr;
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_READ_FAILED);
  req.direction = 2;
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_NOTHING);
  EXPECT_EQ(doc.GetCountElems(), 4);
}

// The handle keeps the placeable header's frame for the conversion: the
// window lands on it upright (issue 15).
TEST(WmfFile, ThePlaceableFrameTravelsWithTheHandle) {
  TempFolder t;
  Wmf w;
  w.window_org(100, 100).window_ext(4000, 2000).polyline({{100, 100}, {4100, 2100}}).eof();
  int units = 0;
  HMETAFILE mf =
      GetPlaceableMetaFile(t.write("f.wmf", w.placeable(1000, 16, {500, 500, 2500, 1500})).c_str(), &units);
  ASSERT_NE(mf, nullptr);
  MainDB doc;
  Pconvert req{};
  req.kind = FGB_KIND_WMF;
  req.metafile = mf;
  req.transform = gr_ctrans{0, 0, 1.0 / units, 0, 1, 1, 1};
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_NEAR(doc.GetDimension().x, 2.0, 1e-12);  // the frame's size, not the window's
  EXPECT_NEAR(doc.GetDimension().y, 1.0, 1e-12);
  EXPECT_NEAR(doc.GetCenter().x, 1.0, 1e-12);  // from its left edge and lower edge
  EXPECT_NEAR(doc.GetCenter().y, 0.5, 1e-12);
  DeleteMetaFile(mf);
}

TEST(WmfFile, WholeFilesAsTheFuzzerReadsThem) {
  const Wmf w = two_polylines();
  ReadOptions opt;
  EXPECT_EQ(read_with(read_wmf_file, w.placeable(1440), opt).size(), 2u);
  EXPECT_EQ(read_with(read_wmf_file, w.bits(), opt).size(), 2u);
  EXPECT_TRUE(read_with(read_wmf_file, w.placeable(1440).substr(0, 39), opt).empty());
}

}  // namespace
