// Developer trace of the offset engine: the routine log __err.$_C and the
// dumps 1lines.$_C, 2lines.$_C, 1seg.$_C and _lin1.dxf.
//
// Written only when the environment variable KALVEX_OFFSET_TRACE_DIR names
// an existing folder; otherwise on() is false and every call is a no-op
// that the engine skips before formatting anything. Each file that cannot
// be opened is silently skipped. Numbers are formatted with to_chars, so
// the process locale never changes the files.
#ifndef GEOMKIT_OFFSET_TRACE_P_H
#define GEOMKIT_OFFSET_TRACE_P_H

#include <cstdio>
#include <mutex>
#include <cstdint>
#include <string>

namespace geomkit::offset {

class EqvidistContext;

// Inconsistency codes written to the log in place of the entry mark 1.
enum TraceCode {
  kTraceEntry = 1,
  kTraceStateNotReached = 2,   // peres_2_elem: result 0 with O not in state 1
  kTraceNoWaitCrossing = 3,    // peres_2_elem: W has no crossing with O
  kTraceBadStates = 4,         // find_per_linii_s_segm: no rule for the states
  kTraceParallelNoPieces = 5,  // peres_2_elem: result 3 refused
  kTraceSweepFailed = 6,       // execute_lib: the sweep failed
  kTraceBudget = 7,            // execute_lib: work budget used up
  kTraceNoPiece = 8,           // find_par_at_atribute: no piece parameter
  kTraceContourReplaced = 9,   // execute_lib: the contour was not the offset
  kTraceNoNode = 25,           // find_per_linii_s_segm: S does not list O
};

class OffsetTrace {
 public:
  // Reads KALVEX_OFFSET_TRACE_DIR.
  OffsetTrace();
  ~OffsetTrace();
  OffsetTrace(const OffsetTrace&) = delete;
  OffsetTrace& operator=(const OffsetTrace&) = delete;

  bool on() const { return on_; }
  // A routine entry (code 1) or an inconsistency it found (2..25).
  void log(const char* routine, int code);
  void dump_lines(const EqvidistContext& ctx);
  void dump_crossings(const EqvidistContext& ctx);
  void dump_pieces(const EqvidistContext& ctx);
  void dump_dxf(const EqvidistContext& ctx);

  // The most the routine log of one process may hold (16 MB); the tests
  // try the cap on a smaller one. Returns the previous cap.
  static uint64_t set_log_cap(uint64_t bytes);

 private:
  std::string path(const char* name) const;

  bool on_ = false;
  std::string dir_;
  std::FILE* log_ = nullptr;
  std::unique_lock<std::mutex> lock_;
};

}  // namespace geomkit::offset

#endif
