// The apertures file and editor, the timing window's labels and the layer
// field.
// Invariants: only "%d%f" lines with numbers 0..99 count; the sorted copy
// is ascending; a failed save changes neither the file nor the tables.
#include "support/temp_folder.h"

#include <session/apertures.h>
#include <session/small_windows.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kalvex::session;
using testsupport::TempFolder;

namespace {

TEST(AperturesFile, UsableLinesAndTheSortedCopy) {
  TempFolder dir;
  Apertures t;
  int err = 0;
  EXPECT_FALSE(load_apertures(dir / "ap$$.txt", t, err));  // missing: all zero
  EXPECT_EQ(t.sizes[10], 0.0f);

  const std::string path =
      dir.write("ap$$.txt", "10 0.01\n   12     0.025 trailing\n120 0.5\nx1 0.3\n11\t0.02\n");
  ASSERT_TRUE(load_apertures(path, t, err));
  EXPECT_FLOAT_EQ(t.sizes[10], 0.01f);
  EXPECT_FLOAT_EQ(t.sizes[11], 0.02f);
  EXPECT_FLOAT_EQ(t.sizes[12], 0.025f);
  // Sorted: 97 zeros, then 0.01, 0.02, 0.025.
  for (int i = 0; i < 97; ++i) EXPECT_EQ(t.sorted[size_t(i)], 0.0f);
  EXPECT_FLOAT_EQ(t.sorted[97], 0.01f);
  EXPECT_FLOAT_EQ(t.sorted[98], 0.02f);
  EXPECT_FLOAT_EQ(t.sorted[99], 0.025f);
}

TEST(AperturesEditor, ShowsUsableLinesAndSavesThem) {
  TempFolder dir;
  const std::string path = dir.write("ap$$.txt", "10 0.01\nabc\n120 0.5\r\n12 0.025 mm\n");
  AperturesEditor ed;
  std::string shown;
  ASSERT_TRUE(ed.read(path, shown));
  EXPECT_EQ(shown, "10 0.01\n12 0.025 mm");
  EXPECT_FLOAT_EQ(ed.table()[12], 0.025f);

  // Removing a line and saving keeps that aperture's size until restart.
  Apertures main;
  std::string error;
  ASSERT_TRUE(ed.save(path, "10 0.03", main, error)) << error;
  EXPECT_EQ(testsupport::slurp(path), "10 0.03");
  EXPECT_FLOAT_EQ(main.sizes[10], 0.03f);
  EXPECT_FLOAT_EQ(main.sizes[12], 0.025f);
  EXPECT_FLOAT_EQ(main.sorted[99], 0.03f);

  // A missing file: the editor keeps what it showed.
  shown = "kept";
  EXPECT_FALSE(ed.read(dir / "none.txt", shown));
  EXPECT_EQ(shown, "kept");

  // A save that cannot be written changes nothing.
  if (::geteuid() != 0) {
    ::chmod(dir.path().c_str(), 0500);
    EXPECT_FALSE(ed.save(path, "10 0.5", main, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FLOAT_EQ(main.sizes[10], 0.03f);
    ::chmod(dir.path().c_str(), 0700);
  }
  EXPECT_FALSE(ed.save(dir / "no/folder/ap$$.txt", "10 0.5", main, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
  EXPECT_FLOAT_EQ(main.sizes[10], 0.03f);
}

TEST(TimingWindow, LabelsOfHoursMinutesAndSeconds) {
  struct Case {
    float t;
    const char *h, *m, *s;
  };
  const Case cases[] = {
      {3725.4f, "1  час", "2  мин.", "5  сек."},
      {59.9f, "", "", "59  сек."},
      {0.4f, "", "", ""},
      {3600.0f, "1  час", "", ""},
      {-1.0f, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    const ElapsedLabels l = elapsed_labels(c.t);
    EXPECT_EQ(l.hours, c.h);
    EXPECT_EQ(l.minutes, c.m);
    EXPECT_EQ(l.seconds, c.s);
  }
}

TEST(LayerField, DecimalOrHexadecimalIntegers) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {{"1", true, 1},     {" 12", true, 12},        {"-3", true, -3},  {"$1F", true, 31},
                        {"0x10", true, 16}, {"", false, 0},           {"1.5", false, 0}, {"abc", false, 0},
                        {"12 ", false, 0},  {"99999999999", false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int v = -77;
    EXPECT_EQ(parse_layer_number(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
}

}  // namespace
