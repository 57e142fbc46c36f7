// The converters on a document, without files: what MainDB::Convert does
// between opening and closing, for the fuzzers, tests and benchmarks.
#ifndef FGB_CONVERT_DOCUMENT_P_H
#define FGB_CONVERT_DOCUMENT_P_H

#include "convert/readers_p.h"
#include "convert/outbuf_p.h"

#include <fgb/main_db.h>

namespace fgb::conv {

// Reads the bytes of a file of the kind into the document's main drawing
// (no undo step, no notification). FGB_CONVERT_DONE, _NOTHING (no reader
// for the kind) or _NO_MEMORY (what was added stays).
int read_document(MainDB& doc, int kind, const uint8_t* data, size_t size, const ReadOptions& opt);

// Writes the document as the request's kind with its header and trailer:
// the main pages unless only the selection is asked for, then the
// selection's pages. Returns the elapsed time the writers leave (the
// request's value when they leave it alone). The kind must be one that is
// written. May throw std::bad_alloc, and WriteRefused when the curves it
// flattens pass the budget (write_budget) or a number is out of range.
float write_document(MainDB& doc, const Pconvert& req, OutBuf& out);

// The budget of a write of so many elements: max_elements when positive,
// else kBudgetFloor or kBudgetPerSelected per element, whichever is more.
int64_t write_budget(int64_t max_elements, uint64_t elements) noexcept;

}  // namespace fgb::conv

#endif
