// Reading and writing drawings: the conversion request filled for a file
// kind, metafiles loaded as the program loads them, and the result of a
// conversion turned into a message naming the file and the cause. Shared by
// kalvex-cli and the program; nothing here prints: messages come back as
// text in a Report.
#ifndef KALVEX_SESSION_DRAWING_H
#define KALVEX_SESSION_DRAWING_H

#include <session/apertures.h>
#include <session/kinds.h>

#include <fgb/fgb.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kalvex::session {

// What a read or a write had to say: warnings (the conversion went on)
// and, when it failed, the error.
struct Report {
  std::vector<std::string> warnings;
  std::string error;  // empty when done
};

// Where progress goes during long reads and writes (both may be null).
struct Progress {
  fgb_progress_fn fn = nullptr;
  void* user = nullptr;
};

// What a read asks of the reader beyond the file: the units of knife
// (Gerber-cutter) files, and the import report to fill (<fgb/convert/report.h>).
struct ImportOptions {
  int cutter_units = 1000;              // numbers per inch: 1000 or 100
  fgb_import_report* report = nullptr;  // null: none
};

struct WriteOptions {
  bool optimise = false;
  bool dxf_no_segments = false;
  bool selection_only = false;
  bool force = false;  // write a drawing without elements over a file that is not empty
};

// What a path names when it is neither a file nor a pipe ("a directory,
// not a file", "a character device, not a file", ...).
std::string not_a_file(const char* path);

// How the command-line tool's messages say the budget is raised.
inline constexpr const char* kRaiseOnCommandLine = "--max-elements N raises the limit";
// ... and the program's.
inline constexpr const char* kRaiseInOptions =
    "The \"Maximum elements\" field of the options raises the limit";

// "it would make more than N elements ...; stopped. RAISE", for a read or an
// edit stopped by its budget; raise tells how the user sets another one.
std::string too_large(int64_t budget, const char* raise = kRaiseOnCommandLine);
// The budget a read of path into doc had (MainDB::SetMaxElements, else
// scaled to the file's size as the conversion scales it).
int64_t read_budget_of(const MainDB& doc, const char* path);
// The message of an editing operation that failed (MainDB::GetFailure),
// "cannot WHAT 'PATH': CAUSE"; empty when it succeeded.
std::string edit_error(const MainDB& doc, const char* what, const std::string& path,
                       const char* raise = kRaiseOnCommandLine);

// A request for one conversion with every field the caller does not set
// at its neutral value: identity transform, no metafile, elapsed time -1.
Pconvert request_for(const std::string& path, const KindInfo& kind, const Apertures& ap);

// The message of a failed conversion, "cannot read 'PATH': CAUSE" (or
// write); empty when status is FGB_CONVERT_DONE. kind_title names the kind
// when no reader or writer exists for it.
// doc, when given, tells the budget of a read stopped by it.
std::string conversion_error(int status, const Pconvert& req, const char* kind_title, bool writing,
                             const MainDB* doc = nullptr, const char* raise = kRaiseOnCommandLine);

// A metafile loaded for a read; DeleteMetaFile when it goes.
struct MetafileHandle {
  HMETAFILE mf = nullptr;
  MetafileHandle() = default;
  MetafileHandle(const MetafileHandle&) = delete;
  MetafileHandle& operator=(const MetafileHandle&) = delete;
  ~MetafileHandle() { DeleteMetaFile(mf); }
};

// Metafile units per inch when the file has no placeable header.
constexpr int kPlainMetafileUnits = 1000;

// Loads a metafile into the request: the handle, and the transform's scale
// from its units to inches (placeable: 1 / its units per inch, else
// 1 / 1000). False with report.error set when the file is no metafile.
bool load_metafile(const std::string& path, Pconvert& req, MetafileHandle& handle, Report& report);

// Reads the file into the document's main drawing. False with the message
// in report.error. layer: the layer of a PCAD board file.
bool read_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap,
                  Report& report, int layer = 1, Progress progress = {}, const ImportOptions& import = {});
// Writes the document out. elapsed receives the estimated plotting time
// (-1 when the writer gives none). False with the message in report.error.
bool write_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap,
                   const WriteOptions& opt, Report& report, float& elapsed, Progress progress = {});

}  // namespace kalvex::session

#endif
