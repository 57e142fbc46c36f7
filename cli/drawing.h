// Reading and writing drawings for the commands: kinds from options or
// extensions, and the shared reading and writing of <session/drawing.h>
// with a progress bar and the messages printed.
#ifndef KALVEX_CLI_DRAWING_H
#define KALVEX_CLI_DRAWING_H

#include "apertures.h"
#include "cli.h"
#include "kinds.h"

#include <fgb/fgb.h>
#include <session/drawing.h>

#include <memory>

namespace kalvex::cli {

// A document for one command. With io.fast_exit its elements are not taken
// apart at the end: the process's end frees them at once.
struct DocumentDeleter {
  bool keep = false;
  void operator()(MainDB* doc) const {
    if (!keep) delete doc;
  }
};
using Document = std::unique_ptr<MainDB, DocumentDeleter>;
// With a window the document has an undo chain and tells the window of
// its progress, as the program's documents do.
Document new_document(const Io& io, DbNotifyTarget* window = nullptr);

// The kind of a file: the --from/--to value when given, else the file's
// extension. Null with the message in error when neither tells.
const KindInfo* choose_kind(const std::string& option, const std::string& path, bool writing,
                            std::string& error);

using session::WriteOptions;

// "--max-elements N" when given (else 0): the document's budget for the
// read and the edit (MainDB::SetMaxElements). False after a usage message.
bool max_elements_option(Args& args, const Command& cmd, Io& io, int64_t& n, int& status);
// Reports a failed edit (GetFailure) of the drawing read from path; true
// when the edit succeeded.
bool edited(const MainDB& doc, const char* what, const std::string& path, Io& io);

// Reads the file into the document's main drawing (<session/drawing.h>),
// with a progress bar on a terminal. False after a message naming the file
// and the cause. layer: the layer of a PCAD board file.
bool read_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap, Io& io,
                  int layer = 1);
// Writes the document out. elapsed receives the estimated plotting time
// (-1 when the writer gives none). False after a message.
bool write_drawing(MainDB& doc, const std::string& path, const KindInfo& kind, const Apertures& ap,
                   const WriteOptions& opt, Io& io, float& elapsed);

// "--layer N" when given (else 1); false after a usage message.
bool layer_option(Args& args, const Command& cmd, Io& io, int& layer, int& status);

// "--apertures FILE" when given; false after a message.
bool load_apertures_option(const std::string& path, Apertures& ap, Io& io);

}  // namespace kalvex::cli

#endif
