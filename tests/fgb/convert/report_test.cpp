// The import report: entries by name and what, places as lines.
// Invariants: the first FGB_REPORT_PLACES places are kept in file order;
// counts go on past them; a full table counts the rest as lost.
#include "convert/report_p.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fgb::conv::Reporter;

TEST(ImportReport, PlacesBecomeLinesWhateverTheLineEnds) {
  const std::string text = "IN;\r\nFT1;\rFT2;\nXX;\n\nFT3;FT4;FT5;";
  fgb_import_report r;
  fgb_report_init(&r);
  {
    Reporter rep(&r, reinterpret_cast<const uint8_t*>(text.data()), text.size(), true);
    for (size_t at = text.find("FT"); at != std::string::npos; at = text.find("FT", at + 1))
      rep.add("FT", FGB_REPORT_NOT_REPRESENTED, at);
    rep.add("XX", FGB_REPORT_SKIPPED, text.find("XX"));
    rep.dialect("HP-GL/2");
    rep.units("1/1016 inch", 1.0 / 1016);
  }  // finished by the destructor
  ASSERT_EQ(r.item_count, 2u);
  const fgb_report_item& ft = r.items[0];
  EXPECT_STREQ(ft.name, "FT");
  EXPECT_EQ(ft.count, 5u);
  ASSERT_EQ(ft.places, 4u);
  EXPECT_EQ(ft.where[0], 2u);  // after CR LF
  EXPECT_EQ(ft.where[1], 3u);  // after a lone CR
  EXPECT_EQ(ft.where[2], 6u);
  EXPECT_EQ(ft.where[3], 6u);
  EXPECT_EQ(r.items[1].where[0], 4u);
  EXPECT_STREQ(r.dialect, "HP-GL/2");
  char out[512];
  const size_t n = fgb_report_format(&r, out, sizeof out);
  EXPECT_EQ(n, std::string(out).size());
  EXPECT_NE(std::string(out).find("lines 2, 3, 6, 6, ..."), std::string::npos) << out;
  EXPECT_EQ(fgb_report_format(&r, nullptr, 0), n);
}

TEST(ImportReport, FullTableCountsTheRestAsLostAndNamesStayPrintable) {
  fgb_import_report r;
  fgb_report_init(&r);
  for (int i = 0; i < FGB_REPORT_ITEMS + 3; ++i)
    fgb_report_add(&r, ("N" + std::to_string(i)).c_str(), FGB_REPORT_SKIPPED, 0);
  EXPECT_EQ(r.item_count, static_cast<uint32_t>(FGB_REPORT_ITEMS));
  EXPECT_EQ(r.items_lost, 3u);
  EXPECT_EQ(fgb_report_add(&r, "N0", FGB_REPORT_SKIPPED, 9), 1);  // known names still count
  EXPECT_EQ(r.items[0].count, 2u);
  fgb_report_init(&r);
  fgb_report_add(&r, "A\"\x01very-long-name-of-a-thing", FGB_REPORT_SKIPPED, 0);
  EXPECT_STREQ(r.items[0].name, "A??very-long-na");
  Reporter off(nullptr, nullptr, 0, true);  // no report: nothing to do
  off.add("FT", FGB_REPORT_SKIPPED, 0);
  EXPECT_FALSE(off.active());
}

}  // namespace
