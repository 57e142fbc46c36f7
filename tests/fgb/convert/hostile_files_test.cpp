// Hostile files around a conversion (issue 17): inputs that are not files
// or grow without bound, reads cut short by memory or by the element
// budget, and outputs that are links, devices, pipes or hold something the
// save must not lose. Invariants: a read that cannot finish leaves the
// document as it was; a save never leaves a temporary file, never turns a
// link, a device or a pipe into a regular file, and never replaces a file
// with less than the whole drawing.
#include "convert_test_util.h"

#include "convert/file_io_p.h"
#include "nodestore_p.h"
#include "support/recording_notify.h"

#include <fgb/main_db.h>

#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace convtest;
namespace fs = std::filesystem;

namespace {

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

void add_segment(MainDB& doc, double y) {
  const gr_segment s{{0, 0}, {1, y}};
  doc.AddElem(kSegment, &s, width_style(0.01), fgb_default_fill_area_style, 1);
}

// 361 segments from each of n arcs (14 bytes each).
std::string arcs(int n) {
  std::string t = "IN;SP1;PU100,0;PD;";
  for (int i = 0; i < n; ++i) t += "AA0,0,3600,10;";
  return t;
}

// Takes every free cell slot of the store, so that the next cell needs a
// new block (which the failure hook can then refuse); gives them back.
class DrainedStore {
 public:
  DrainedStore() {
    auto& objects = nodestore::global_store().objects();
    while (!nodestore::is_null(objects.free_head()) || !nodestore::is_null(objects.carve_position()))
      cells_.push_back(ns_create_obj());
  }
  ~DrainedStore() {
    for (tag_ns_handler h : cells_) ns_untie_obj(h);
  }

 private:
  std::vector<tag_ns_handler> cells_;
};

// ---- reading ---------------------------------------------------------------

TEST(HostileReads, AReadPastItsBudgetOrMemoryIsTakenBackWhole) {
  TempFolder dir;
  const std::string path = dir.write("arcs.hpg", arcs(40));
  for (bool window : {true, false}) {
    for (bool memory : {false, true}) {
      SCOPED_TRACE(std::string(window ? "with" : "without") + " a window, " + (memory ? "memory" : "budget"));
      RecordingNotifyTarget w;
      MainDB doc(window ? &w : nullptr);
      for (int i = 0; i < 3; ++i) add_segment(doc, i);
      Pconvert req = request(0, path, FGB_KIND_HPGL);
      if (!memory) req.max_elements = 1000;  // the arcs make 14 400
      int status;
      {
        DrainedStore drained;
        auto& blocks = nodestore::global_store().objects().blocks();
        if (memory) blocks.inject_failures(2, -1);  // room for a few hundred segments
        status = doc.Convert(&req);
        blocks.inject_failures(0, 0);
      }
      EXPECT_EQ(status, memory ? FGB_CONVERT_NO_MEMORY : FGB_CONVERT_TOO_LARGE);
      EXPECT_EQ(doc.GetFailure(), memory ? FGB_FAILED_NO_MEMORY : FGB_FAILED_TOO_LARGE);
      EXPECT_EQ(req.partial, 0);
      EXPECT_EQ(doc.GetCountElems(), 3);
      EXPECT_EQ(doc.GetDimension().y, 2.0);
      // The same read with room enough, through the document's own limit.
      doc.SetMaxElements(20000);
      req = request(0, path, FGB_KIND_HPGL);
      ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
      EXPECT_EQ(doc.GetCountElems(), 3 + 40 * 361);
      EXPECT_EQ(doc.GetFailure(), FGB_FAILED_NONE);
      if (window) {
        doc.GetUndo();  // one step takes the good read back; the failed one left no step
        EXPECT_EQ(doc.GetCountElems(), 3);
      }
    }
  }
}

TEST(HostileReads, OnlyFilesAndStreamsAreRead) {
  TempFolder dir;
  MainDB doc;
  Pconvert req = request(0, dir.path().string(), FGB_KIND_HPGL);
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_READ_FAILED);
  EXPECT_EQ(req.sys_error, EISDIR);
  req = request(0, "/dev/zero", FGB_KIND_DXF);
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_NOT_A_FILE);
  EXPECT_EQ(doc.GetCountElems(), 0);

  // A named pipe is read to its end; a stream longer than the limit is not.
  const std::string fifo = dir / "pipe.hpg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { spit(fifo, "IN;SP1;PU0,0;PD100,100;"); });
  req = request(0, fifo, FGB_KIND_HPGL);
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  writer.join();
  EXPECT_EQ(doc.GetCountElems(), 1);
  std::thread writer2([&] { spit(fifo, std::string(5000, ';')); });
  InputFile in;
  int err = 0;
  EXPECT_FALSE(in.load(fifo.c_str(), err, 4096));
  EXPECT_EQ(err, kErrTooLarge);
  writer2.join();
}

// ---- saving ----------------------------------------------------------------

TEST(HostileSaves, LinksAreWrittenThroughAndKept) {
  TempFolder dir;
  MainDB doc;
  add_segment(doc, 1);
  fs::create_directory(dir / "real");
  // A relative link to a file in another folder: replaced there, atomically.
  spit(dir / "real/target.hpg", "old");
  fs::create_symlink("real/target.hpg", dir / "link.hpg");
  Pconvert req = request(1, dir / "link.hpg", FGB_KIND_HPGL);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_TRUE(fs::is_symlink(dir / "link.hpg"));
  EXPECT_EQ(slurp(dir / "real/target.hpg").rfind("IN;", 0), 0u);
  // A dangling link, through a second link: the file it names is made.
  fs::create_symlink("real/made.hpg", dir / "dangling");
  fs::create_symlink("dangling", dir / "outer.hpg");
  req = request(1, dir / "outer.hpg", FGB_KIND_HPGL);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_TRUE(fs::is_symlink(dir / "outer.hpg"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
  EXPECT_EQ(slurp(dir / "real/made.hpg").rfind("IN;", 0), 0u);
  // A loop is an error, and nothing is made.
  fs::create_symlink("loop2", dir / "loop1");
  fs::create_symlink("loop1", dir / "loop2");
  const size_t entries = dir.entries();
  req = request(1, dir / "loop1", FGB_KIND_HPGL);
  EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_WRITE_FAILED);
  EXPECT_EQ(req.sys_error, ELOOP);
  EXPECT_TRUE(fs::is_symlink(dir / "loop1"));
  EXPECT_EQ(dir.entries(), entries);
}

TEST(HostileSaves, DevicesAndPipesAreWrittenInPlace) {
  TempFolder dir;
  MainDB doc;
  add_segment(doc, 1);
  Pconvert req = request(1, "/dev/null", FGB_KIND_DXF);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_EQ(req.not_atomic, 1);
  struct stat st;
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  // A pipe, named through a link: what the reader gets is the whole file.
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink(fifo, dir / "to-pipe.dxf");
  std::string got;
  std::thread reader([&] { got = slurp(fifo); });
  req = request(1, dir / "to-pipe.dxf", FGB_KIND_DXF);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  reader.join();
  EXPECT_EQ(req.not_atomic, 1);
  EXPECT_NE(got.find("ENDSEC"), std::string::npos);
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(dir.entries(), 2u);
}

TEST(HostileSaves, AnEmptyDrawingDoesNotReplaceAFileThatHoldsSomething) {
  TempFolder dir;
  MainDB empty;
  const std::string path = dir.write("good.dxf", "a drawing of 160 KB");
  Pconvert req = request(1, path, FGB_KIND_DXF);
  EXPECT_EQ(empty.Convert(&req), FGB_CONVERT_EMPTY);
  EXPECT_EQ(slurp(path), "a drawing of 160 KB");
  EXPECT_EQ(dir.entries(), 1u);
  req.force = 1;
  EXPECT_EQ(empty.Convert(&req), FGB_CONVERT_DONE);
  EXPECT_NE(slurp(path), "a drawing of 160 KB");
  // Nothing to lose: an empty file, or none.
  req = request(1, dir.write("empty.dxf", ""), FGB_KIND_DXF);
  EXPECT_EQ(empty.Convert(&req), FGB_CONVERT_DONE);
  req = request(1, dir / "new.dxf", FGB_KIND_DXF);
  EXPECT_EQ(empty.Convert(&req), FGB_CONVERT_DONE);
}

// Issue 17: a 104-byte Illustrator file made an 85 MB DXF, a curve
// flattened into 131 071 points printed with hundreds of digits each. The
// writers refuse numbers their format cannot hold, and the points they
// flatten count against the request's budget; the target stays as it was.
TEST(HostileSaves, WritesAreBoundedInNumbersAndFlattenedPoints) {
  TempFolder dir;
  const std::string ai = dir.write("far.ai", "%%EndSetup\n0 0 m\n1e300 1e300 -1e300 1e300 9 9 c\nS\n");
  MainDB far;
  Pconvert req = request(0, ai, FGB_KIND_AI);
  ASSERT_EQ(far.Convert(&req), FGB_CONVERT_DONE);
  ASSERT_EQ(far.GetCountElems(), 1);
  for (int kind : {FGB_KIND_DXF, FGB_KIND_HPGL, FGB_KIND_GERBER, FGB_KIND_GERBER_CUTTER}) {
    for (int optimise : {0, 1}) {
      SCOPED_TRACE(std::to_string(kind) + (optimise ? " optimised" : ""));
      const std::string out = dir.write("out", "the old drawing");
      req = request(1, out, kind);
      req.optimise = static_cast<uint8_t>(optimise);
      EXPECT_EQ(far.Convert(&req), FGB_CONVERT_OUT_OF_RANGE);
      EXPECT_EQ(slurp(out), "the old drawing");
      EXPECT_EQ(dir.entries(), 2u);
    }
  }

  // Ordinary numbers, but a curve of many points: within the budget it is
  // written, past it refused.
  const std::string curve = dir.write("curve.ai", "%%EndSetup\n0 0 m\n0 72 72 72 72 0 c\nS\n");
  MainDB doc;
  req = request(0, curve, FGB_KIND_AI);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  // 13 points: 2 elements' worth.
  for (int kind : {FGB_KIND_DXF, FGB_KIND_HPGL, FGB_KIND_GERBER, FGB_KIND_GERBER_CUTTER}) {
    SCOPED_TRACE(kind);
    const std::string out = dir / "curve.out";
    req = request(1, out, kind);
    req.max_elements = 1;
    EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_TOO_LARGE);
    EXPECT_FALSE(fs::exists(out));
    req.max_elements = 2;
    EXPECT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
    fs::remove(out);
  }
}

TEST(HostileSaves, SetIdBitsAreDroppedOtherPermissionsKept) {
  TempFolder dir;
  MainDB doc;
  add_segment(doc, 1);
  const std::string path = dir.write("p.hpg", "old");
  ASSERT_EQ(::chmod(path.c_str(), 06750), 0);
  Pconvert req = request(1, path, FGB_KIND_HPGL);
  ASSERT_EQ(doc.Convert(&req), FGB_CONVERT_DONE);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
}

TEST(HostileSaves, TemporaryFilesOfKilledSavesGo) {
  TempFolder dir;
  // A save in progress leaves no name in the folder where the system has
  // unnamed files.
  {
    AtomicOutput out;
    int err = 0;
    ASSERT_TRUE(out.open((dir / "x.hpg").c_str(), err));
    if (dir.entries() != 0) GTEST_SKIP() << "no unnamed temporary files here";
    ASSERT_TRUE(AtomicOutput::drain(&out, "IN;", 3));
    ASSERT_TRUE(out.commit(err));
    EXPECT_EQ(dir.entries(), 1u);
  }
  // Named ones of processes that are gone are removed; others stay.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const std::string dead = "." + std::string("x.hpg.kvx-") + std::to_string(child) + "-a1b2c3";
  const std::string alive = ".x.hpg.kvx-" + std::to_string(::getppid()) + "-a1b2c3";
  dir.write(dead, "left by a killed save");
  dir.write(alive, "another save running");
  dir.write(".x.hpg.kvx-notes", "not ours");
  EXPECT_EQ(remove_stale_temporaries(dir.path().string()), 1);
  EXPECT_FALSE(fs::exists(dir / dead));
  EXPECT_TRUE(fs::exists(dir / alive));
  EXPECT_TRUE(fs::exists(dir / ".x.hpg.kvx-notes"));
}

}  // namespace
