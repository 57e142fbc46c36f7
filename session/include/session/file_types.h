// The program's open and save dialogs: their filter lists, the file kind
// an opened file is read as, and the request fields each save type sets.
#ifndef KALVEX_SESSION_FILE_TYPES_H
#define KALVEX_SESSION_FILE_TYPES_H

#include <string>

namespace kalvex::session {

// Filter lists as "Text|pattern|Text|pattern..."; indexes are 1-based.
extern const char* const kOpenFilter;
constexpr int kOpenFilterAll = 8;  // "All files (*.*)": the first filter chosen
extern const char* const kSaveFilter;
constexpr int kSaveFilterInitial = 5;  // the save dialog opens on the cutter entry
constexpr int kSaveFilterCount = 5;

// How an opened file is to be read.
struct OpenKind {
  int kind = -1;           // FGB_KIND_*, -1: unknown (nothing is read)
  bool ask_layer = false;  // PCAD board: ask for the layer first
  bool sniffed = false;    // told by the file's first bytes, not its extension
};

// The kind of a file chosen in the open dialog with filter index
// filter_index: by its extension (without regard to case); a ".gbr" is
// cutter data only with "All files (*.*)". A ".plt" holding HPGL text
// rather than PCAD plot data is read as HPGL. Anything else is recognised
// from the file's first bytes where they are unambiguous.
OpenKind open_kind(const std::string& path, int filter_index);

// The kind recognised from the start of a file's content, or -1.
int sniff_kind(const unsigned char* data, size_t size);
// The same for a file on disk (reads its first few kilobytes).
int sniff_file(const std::string& path);

// What a save type sets (save dialog filter index, Save As or Save Select).
struct SaveType {
  bool offered = false;  // false: no extension appended, the previous kind stays
  const char* extension = "";
  int kind = 0;
  bool optimise_flag = false;  // optimise = the check box, layer-or-flag = 1
  int dxf_variant = 0;
};
SaveType save_type(int filter_index, bool selection_only);

// The chosen name without its extension (the extension starts at the last
// '.' after the last '/').
std::string strip_extension(const std::string& path);
// The extension of a path, with its dot; empty when none.
std::string extension_of(const std::string& path);

}  // namespace kalvex::session

#endif
