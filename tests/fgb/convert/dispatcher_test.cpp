// Reading and writing through MainDB::Convert: the framing of each kind,
// page order, the elapsed time handed back, selection saves, status codes,
// what a failed save leaves behind, undo and the window's notification.
// Invariant: a save either replaces the target with the complete file or
// leaves it (and its folder) exactly as it was.
#include "convert_test_util.h"

#include <fgb/main_db.h>

#include <csignal>
#include <deque>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace convtest;
namespace fs = std::filesystem;

namespace {

struct Notice {
  int message;
  std::intptr_t wparam;
  bool posted;
  bool operator==(const Notice&) const = default;
};

class Window final : public DbNotifyTarget {
 public:
  void SendNotify(int m, std::intptr_t w) override { seen.push_back({m, w, false}); }
  void PostNotify(int m, std::intptr_t w) override { seen.push_back({m, w, true}); }
  std::vector<Notice> seen;
};

// The request keeps a pointer to the path: keep every path alive.
Pconvert request(int direction, const std::string& path, int kind) {
  static std::deque<std::string> paths;
  paths.push_back(path);
  Pconvert r{};
  r.direction = direction;
  r.path = paths.back().c_str();
  r.kind = kind;
  r.elapsed_time = -1.0f;
  return r;
}

void add_segment(MainDB& doc, gr_cpoint a, gr_cpoint b, int side, double width = 0.012) {
  const gr_segment s{a, b};
  doc.AddElem(kSegment, &s, width_style(width), fgb_default_fill_area_style, side);
}

TEST(Dispatcher, EmptyDocumentsGetEachKindsFrame) {
  TempFolder dir;
  const struct {
    int kind;
    const char* full;
    const char* selection_only;
  } rows[] = {
      {FGB_KIND_HPGL, "IN;\r\nIN;\r\nPU0,0;SP;", "IN;\r\nPU0,0;SP;"},
      {FGB_KIND_GERBER, "D02*M02*", "D02*M02*"},
      {FGB_KIND_DXF, "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n",
       "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n"},
      {FGB_KIND_GERBER_CUTTER, "H1*M70*M15*N1*D2*H1*M70*M15*N1*D2*M15*M0*", "H1*M70*M15*N1*D2*M15*M0*"},
  };
  for (const auto& r : rows) {
    MainDB doc;
    // New files each time: an empty drawing does not replace a file that
    // holds something (see hostile_files_test.cpp).
    const std::string path = dir / ("out" + std::to_string(r.kind));
    Pconvert req = request(1, path, r.kind);
    EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
    EXPECT_EQ(slurp(path), r.full) << r.kind;
    req = request(1, path + "s", r.kind);
    req.selection_only = 1;
    EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
    EXPECT_EQ(slurp(path + "s"), r.selection_only) << r.kind;
  }
}

TEST(Dispatcher, UnselectedElementsComeBeforeSelectedOnes) {
  TempFolder dir;
  MainDB doc;
  add_segment(doc, {0, 0}, {1, 0}, 2);  // selected, drawn first
  add_segment(doc, {2, 0}, {3, 0}, 1);
  const std::string path = dir / "o.gbr";
  Pconvert req = request(1, path, FGB_KIND_GERBER);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_EQ(slurp(path),
            "D02*G54D11*\r\nX2000Y0D02*X3000Y0D01*\r\nD02*G54D11*\r\nX0Y0D02*X1000Y0D01*\r\nD02*M02*");
  req.selection_only = 1;
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_EQ(slurp(path), "D02*G54D11*\r\nX0Y0D02*X1000Y0D01*\r\nD02*M02*");
}

TEST(Dispatcher, ElapsedTimeComesBackFromHpglAndGerberOnly) {
  TempFolder dir;
  MainDB doc;
  add_segment(doc, {0, 0}, {1, 0}, 1);
  const struct {
    int kind;
    uint8_t optimise;
    float before, after;
    bool document;
  } rows[] = {
      {FGB_KIND_HPGL, 0, -1.0f, -1.0f, true},           {FGB_KIND_GERBER, 0, -1.0f, 0.0f, true},
      {FGB_KIND_DXF, 0, -1.0f, -1.0f, false},           {FGB_KIND_GERBER_CUTTER, 0, 7.5f, 7.5f, false},
      {FGB_KIND_GERBER_CUTTER, 1, -1.0f, -1.0f, false},
  };
  for (const auto& r : rows) {
    doc.SetElapsedTime(123.0f);
    Pconvert req = request(1, dir / "t", r.kind);
    req.optimise = r.optimise;
    req.elapsed_time = r.before;
    ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
    EXPECT_EQ(req.elapsed_time, r.after) << r.kind;
    EXPECT_EQ(doc.GetElapsedTime(), r.document ? r.after : 123.0f) << r.kind;
  }
  // Optimised HPGL estimates a time.
  Pconvert req = request(1, dir / "t", FGB_KIND_HPGL);
  req.optimise = 1;
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_GT(req.elapsed_time, 0.0f);
  EXPECT_EQ(doc.GetElapsedTime(), req.elapsed_time);
}

TEST(Dispatcher, ImportOnlyKindsAndUnknownKindsWriteNothing) {
  TempFolder dir;
  MainDB doc;
  for (int kind : {3, 4, 5, 6, 8, -1}) {
    Pconvert req = request(1, dir / "x", kind);
    EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_NOTHING);
  }
  EXPECT_EQ(dir.entries(), 0u);
}

TEST(Dispatcher, EveryPageIsWrittenInOrder) {
  TempFolder dir;
  MainDB doc;
  const int n = 2 * (kPageLimit + 1) + 5;
  for (int i = 0; i < n; ++i) add_segment(doc, {0, 0}, {i / 1000.0, 1}, 1);
  ASSERT_EQ(doc.GetPageCount(), 3);
  const std::string path = dir / "many.hpg";
  Pconvert req = request(1, path, FGB_KIND_HPGL);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  const std::string text = slurp(path);
  size_t ins = 0, at = 0;
  while ((at = text.find("IN;", at)) != std::string::npos) ++ins, ++at;
  EXPECT_EQ(ins, 4u);  // three main pages and the selection's page
  MainDB back;
  Pconvert rd = request(0, path, FGB_KIND_HPGL);
  ASSERT_EQ(back.Convert(&rd), FGB_CONVERT_DONE);
  EXPECT_EQ(back.GetCountElems(), n);
  // Elements 0, 1000, 10000 and 20000 in that order, across the pages.
  const size_t e0 = text.find("PD-11000,-5884;"), e1 = text.find("PD-9984,-5884;"),
               e2 = text.find("PD-840,-5884;"), e3 = text.find("PD9320,-5884;");
  EXPECT_LT(e0, e1);
  EXPECT_LT(e1, e2);
  EXPECT_LT(e2, e3);
  EXPECT_NE(e3, std::string::npos);
}

TEST(Dispatcher, ReadingTakesAnUndoSnapshotAndTellsTheWindow) {
  TempFolder dir;
  const std::string path = dir / "in.hpg";
  spit(path, "SP1;PU0,0;PD1016,0;PU;PU0,0;PD0,1016;PD1016,1016;PU;");
  Window w;
  MainDB doc(&w);
  const gr_segment s{{5, 5}, {6, 6}};
  doc.CreateElems(kSegment, &s, width_style(0.012), fgb_default_fill_area_style, 2);
  w.seen.clear();
  Pconvert req = request(0, path, FGB_KIND_HPGL);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_EQ(doc.GetCountElems(), 2);
  EXPECT_EQ(doc.GetCountElemsS(), 1);  // the selection stays as it was
  ASSERT_FALSE(w.seen.empty());
  EXPECT_EQ(w.seen.back(), (Notice{WM_DB_REFRESH, DB_CHANGED_ALL, true}));
  doc.GetUndo();  // one step removes the whole import
  EXPECT_EQ(doc.GetCountElems(), 0);
  EXPECT_EQ(doc.GetCountElemsS(), 1);
}

TEST(Dispatcher, UnreadableInputAddsNothingButStillNotifies) {
  TempFolder dir;
  Window w;
  MainDB doc(&w);
  Pconvert req = request(0, dir / "missing.dxf", FGB_KIND_DXF);
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_READ_FAILED);
  EXPECT_EQ(req.sys_error, ENOENT);
  EXPECT_EQ(doc.GetCountElems(), 0);
  ASSERT_FALSE(w.seen.empty());
  EXPECT_EQ(w.seen.back(), (Notice{WM_DB_REFRESH, DB_CHANGED_ALL, true}));
  req = request(0, dir.path().string(), FGB_KIND_DXF);  // a folder
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_READ_FAILED);
  EXPECT_EQ(req.sys_error, EISDIR);
  Pconvert no_path = request(0, "", FGB_KIND_DXF);
  no_path.path = nullptr;
  EXPECT_EQ(doc.Convert(&no_path), FGB_CONVERT_BAD_REQUEST);
  EXPECT_EQ(doc.Convert(nullptr), FGB_CONVERT_BAD_REQUEST);
}

TEST(Dispatcher, WritingSendsNoNotification) {
  TempFolder dir;
  Window w;
  MainDB doc(&w);
  w.seen.clear();
  Pconvert req = request(1, dir / "x.dxf", FGB_KIND_DXF);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_TRUE(w.seen.empty());
}

TEST(Dispatcher, OutputThatCannotBeCreatedIsReportedAndLeavesNothing) {
  TempFolder dir;
  MainDB doc;
  add_segment(doc, {0, 0}, {1, 1}, 1);
  Pconvert req = request(1, dir / "no/such/folder/x.hpg", FGB_KIND_HPGL);
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_WRITE_FAILED);
  EXPECT_EQ(req.sys_error, ENOENT);
  EXPECT_EQ(req.elapsed_time, -1.0f);
  // A folder in the way: the rename fails, the folder and its content stay.
  fs::create_directory(dir / "taken.hpg");
  spit(dir / "taken.hpg/inside", "keep");
  req = request(1, dir / "taken.hpg", FGB_KIND_HPGL);
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_WRITE_FAILED);
  EXPECT_NE(req.sys_error, 0);
  EXPECT_EQ(slurp(dir / "taken.hpg/inside"), "keep");
  EXPECT_EQ(dir.entries(), 1u);  // no temporary file left behind
}

TEST(Dispatcher, FailureHalfwayKeepsThePreviousFile) {
  TempFolder dir;
  const std::string path = dir / "drawing.dxf";
  spit(path, "previous contents");
  MainDB doc;
  for (int i = 0; i < 200; ++i) add_segment(doc, {0, 0}, {1, i * 0.01}, 1);
  // The file system refuses the output after 4 KB (as a full disk would).
  struct rlimit old;
  ::getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  Pconvert req = request(1, path, FGB_KIND_DXF);
  const int status = doc.Convert(&req);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(status, FGB_CONVERT_WRITE_FAILED);
  EXPECT_EQ(req.sys_error, EFBIG);
  EXPECT_EQ(slurp(path), "previous contents");
  EXPECT_EQ(dir.entries(), 1u);
  // Without the limit the same save replaces it.
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_GT(slurp(path).size(), 4096u);
}

TEST(Dispatcher, ReplacedFileKeepsItsPermissionsAndLinksAreFollowed) {
  TempFolder dir;
  MainDB doc;
  add_segment(doc, {0, 0}, {1, 1}, 1);
  const std::string path = dir / "p.gbr";
  spit(path, "old");
  ::chmod(path.c_str(), 0640);
  Pconvert req = request(1, path, FGB_KIND_GERBER);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // A new file gets the usual permissions, not those of a private temporary file.
  const mode_t mask = ::umask(022);
  req = request(1, dir / "new.gbr", FGB_KIND_GERBER);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  ::umask(mask);
  ASSERT_EQ(::stat((dir / "new.gbr").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  // Saving through a symbolic link replaces the file it names.
  fs::create_symlink(path, dir / "link.gbr");
  spit(path, "old");
  req = request(1, dir / "link.gbr", FGB_KIND_GERBER);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_TRUE(fs::is_symlink(dir / "link.gbr"));
  EXPECT_NE(slurp(path), "old");
}

TEST(Dispatcher, FilesWrittenAndReadBackKeepTheirCoordinates) {
  TempFolder dir;
  MainDB doc;
  const gr_cpoint pts[] = {{0.29, 0.57}, {1.001, 0.003}, {12.345, 6.789}};
  std::vector<double> poly(1 + 2 * 3);
  auto* pl = reinterpret_cast<gr_polyline*>(poly.data());
  pl->closed = 0;
  pl->n = 3;
  gr_cpoint* out = pl->pnt;
  for (int i = 0; i < 3; ++i) out[i] = pts[i];
  doc.AddElem(kPolyline, pl, width_style(0.025), fgb_default_fill_area_style, 1);
  add_segment(doc, {0.007, 0.013}, {99.999, 0.1}, 1, 0.039);
  for (int kind : {FGB_KIND_GERBER, FGB_KIND_GERBER_CUTTER, FGB_KIND_DXF}) {
    const std::string first = dir / "first", second = dir / "second";
    Pconvert w1 = request(1, first, kind);
    ASSERT_EQ(doc.Convert(&w1), FGB_CONVERT_DONE);
    MainDB back;
    Pconvert rd = request(0, first, kind);
    ASSERT_EQ(back.Convert(&rd), FGB_CONVERT_DONE);
    EXPECT_EQ(back.GetCountElems(), 2) << kind;
    Pconvert w2 = request(1, second, kind);
    ASSERT_EQ(back.Convert(&w2), FGB_CONVERT_DONE);
    EXPECT_EQ(slurp(second), slurp(first)) << kind;
  }
}

TEST(Dispatcher, LongReadsReportProgress) {
  TempFolder dir;
  const std::string path = dir / "big.hpg";
  std::string text = "SP1;";
  while (text.size() < (3u << 20)) text += "PU100,100;PD200,100;PD200,200;PD100,200;PD100,100;\n";
  spit(path, text);
  std::vector<double> seen;
  MainDB doc;
  Pconvert req = request(0, path, FGB_KIND_HPGL);
  req.progress = [](void* u, double f) { static_cast<std::vector<double>*>(u)->push_back(f); };
  req.progress_user = &seen;
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  ASSERT_GT(seen.size(), 10u);
  EXPECT_EQ(seen.back(), 1.0);
  seen.clear();
  req = request(1, dir / "big.dxf", FGB_KIND_DXF);
  req.progress = [](void* u, double f) { static_cast<std::vector<double>*>(u)->push_back(f); };
  req.progress_user = &seen;
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_TRUE(seen.empty());  // 60 000 elements: too little work to report
}

}  // namespace

#include "convert/file_io_p.h"

#include <thread>

namespace {

TEST(InputFile, WholeFilesEmptyFilesAndStreams) {
  TempFolder dir;
  std::string text;
  for (int i = 0; i < 300000; ++i) text += "PD" + std::to_string(i) + ";";
  spit(dir / "f", text);
  spit(dir / "empty", "");
  InputFile in;
  int err = 0;
  ASSERT_TRUE(in.load((dir / "f").c_str(), err));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(in.data()), in.size()), text);
  ASSERT_TRUE(in.load((dir / "empty").c_str(), err));
  EXPECT_EQ(in.size(), 0u);
  // A pipe has no size: it is read in growing pieces to its end.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::thread writer([&] {
    size_t at = 0;
    while (at < text.size()) {
      const ssize_t n = ::write(fds[1], text.data() + at, text.size() - at);
      if (n <= 0) break;
      at += static_cast<size_t>(n);
    }
    ::close(fds[1]);
  });
  const std::string path = "/proc/self/fd/" + std::to_string(fds[0]);
  const bool ok = in.load(path.c_str(), err);
  writer.join();
  ::close(fds[0]);
  ASSERT_TRUE(ok) << err;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(in.data()), in.size()), text);
}

}  // namespace
