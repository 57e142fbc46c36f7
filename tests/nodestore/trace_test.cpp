// The trace: one line per slot from 0:0 through the next slot to be cut,
// "block:offset(count links) ===> " and then the slot's content.
#include <cstdlib>

#include "store_fixture.h"

namespace nodestore::test {
namespace {

using TraceTest = StoreTest;

std::vector<std::string> lines_of(const Store& s) {
  std::vector<std::string> out;
  s.trace([&](std::string_view line) { out.emplace_back(line); });
  return out;
}

TEST(TraceLine, FormatOfEachKind) {
  auto cell = [](uint32_t refs, uint8_t kind, std::initializer_list<uint32_t> words) {
    Cell c{};
    c.refs = refs;
    c.kind = kind;
    int i = 0;
    for (uint32_t w : words) c.payload[i++] = w;
    return c;
  };
  struct Row {
    const char* name;
    Handle slot;
    Cell cell;
    const char* expected;
  } rows[] = {
      {"free", H(0, 0), cell(0, kBoxed, {}), "0:0(0 links) ===>  FREE "},
      {"unboxed", H(3, 12264), cell(2, kUnboxed, {1, 2, 3, 4}), "3:12264(2 links) ===>  unboxed "},
      {"boxed", H(1, 48), cell(1, kBoxed, {7, 1016, 24}), "1:48(1 links) ===>  boxed len:24 ref:7:1016"},
      {"pair", H(0, 72), cell(5, kPair, {0, 24, 2, 96}), "0:72(5 links) ===>  pair:0:24   2:96"},
      {"pair with nulls", H(0, 96), cell(1, kPair, {0xFFFFFFFFu, 0, 0xFFFFFFFFu, 8}),
       "0:96(1 links) ===>  pair:-1:0   -1:8"},
      {"saturated", H(2147483647, 4294967295u), cell(4294967295u, kUnboxed, {}),
       "2147483647:4294967295(4294967295 links) ===>  unboxed "},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    char buf[kTraceLineSize];
    std::memset(buf, 'z', sizeof buf);
    size_t len = format_trace_line(buf, r.slot, r.cell);
    EXPECT_EQ(std::string(buf, len), r.expected);
    EXPECT_EQ(buf[len], '\0');
  }
}

TEST_F(TraceTest, WalkEndsAtTheNextSlotToBeCut) {
  EXPECT_TRUE(lines_of(s).empty());
  Handle a = s.create();
  s.set_unboxed(a, 1);
  Handle b = boxed("0123456789");
  Handle p = pair(a, b);
  s.untie(a);
  EXPECT_EQ(lines_of(s), (std::vector<std::string>{
                             "0:0(1 links) ===>  unboxed ",
                             "0:24(2 links) ===>  boxed len:10 ref:0:0",
                             "0:48(1 links) ===>  pair:0:0   0:24",
                             "0:72(0 links) ===>  FREE ",
                         }));
  s.untie(p);
  EXPECT_EQ(lines_of(s)[2], "0:48(0 links) ===>  FREE ");
}

TEST_F(TraceTest, FullyCutBlockIsWalkedToItsLastSlot) {
  for (int i = 0; i < 512; ++i) s.create();
  std::vector<std::string> lines = lines_of(s);
  ASSERT_EQ(lines.size(), 512u);
  EXPECT_EQ(lines.back(), "0:12264(1 links) ===>  unboxed ");
  s.create();
  lines = lines_of(s);
  ASSERT_EQ(lines.size(), 514u);
  EXPECT_EQ(lines[512], "1:0(1 links) ===>  unboxed ");
  EXPECT_EQ(lines[513], "1:24(0 links) ===>  FREE ");
}

TEST(TraceOutput, GoesToStandardErrorOnlyWhenAsked) {
  tag_ns_handler h = ns_create_obj();
  ns_set_unboxed_obj_NULL(h, 1);
  const char* saved = std::getenv("KALVEX_TRACE");
  std::string keep = saved ? saved : "";

  unsetenv("KALVEX_TRACE");
  testing::internal::CaptureStderr();
  ns_trace_objs();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  setenv("KALVEX_TRACE", "1", 1);
  testing::internal::CaptureStderr();
  ns_trace_objs();
  std::string out = testing::internal::GetCapturedStderr();
  std::string line = std::to_string(h.block) + ":" + std::to_string(h.offset) + "(1 links) ===>  unboxed \n";
  EXPECT_NE(out.find(line), std::string::npos) << out.substr(0, 400);

  if (saved)
    setenv("KALVEX_TRACE", keep.c_str(), 1);
  else
    unsetenv("KALVEX_TRACE");
  ns_untie_obj(h);
}

}  // namespace
}  // namespace nodestore::test
