/* Windows metafiles: loading them for import.
 *
 * A metafile handle owns the metafile's bits: the 18-byte standard header
 * followed by the records (16-bit words, little-endian), as a metafile file
 * holds them after its placeable header, if it has one. The program asks
 * FileIsPlaceable, loads the file with GetPlaceableMetaFile or
 * GetMetaFileA, puts the handle and a transform into the conversion request
 * (kind 3) and deletes the handle with DeleteMetaFile afterwards; the
 * conversion does not take it over. */
#ifndef FGB_CONVERT_WMF_H
#define FGB_CONVERT_WMF_H

#include <stdint.h>
#include <fgb/fgb_api.h>

FGB_BEGIN_C

typedef struct fgb_metafile* HMETAFILE;

/* The first 32-bit word of a placeable metafile. */
#define FGB_PLACEABLE_KEY 0x9AC6CDD7u

/* 1 when the file holds at least 24 bytes and starts with the placeable
 * key (bytes D7 CD C6 9A); 0 otherwise, and when it cannot be opened. */
FGB_API int FileIsPlaceable(const char* path) FGB_NOEXCEPT;

/* Loads a placeable metafile: the 22-byte placeable header, whose units per
 * inch (zero-extended) are stored through units_per_inch as soon as the
 * header is read, then the metafile after it, as long as its standard
 * header says. A size there that is smaller than the header or larger than
 * the file takes the rest of the file instead. Null when the file cannot be
 * opened or read, or what follows the placeable header is not a metafile.
 * Free the handle with DeleteMetaFile. */
FGB_API HMETAFILE GetPlaceableMetaFile(const char* path, int* units_per_inch) FGB_NOEXCEPT;

/* Loads a plain metafile (no placeable header) the same way. Null when the
 * file cannot be opened or read or is not a metafile (a placeable file is
 * not). Free the handle with DeleteMetaFile.
 * Both loaders leave errno, when they fail, at the error of opening or
 * reading the file (EISDIR for a folder, EINVAL for a device or a socket,
 * which are not read), at ENOMEM when memory ran out, or at 0 when the
 * bytes are not a metafile. */
FGB_API HMETAFILE GetMetaFileA(const char* path) FGB_NOEXCEPT;

/* A metafile from size bytes of bits in memory (copied). Null when they do
 * not start with a standard metafile header (18 bytes: type 1 or 2, header
 * size 9 words). Free the handle with DeleteMetaFile. */
FGB_API HMETAFILE SetMetaFileBitsEx(uint32_t size, const uint8_t* bits) FGB_NOEXCEPT;

/* The size of the handle's bits in bytes; copies them into out when out is
 * not null and size is large enough. 0 for a null handle. */
FGB_API uint32_t GetMetaFileBitsEx(HMETAFILE mf, uint32_t size, void* out) FGB_NOEXCEPT;

/* Frees the handle and its bits; 1 done, 0 for a null handle. */
FGB_API int DeleteMetaFile(HMETAFILE mf) FGB_NOEXCEPT;

FGB_END_C

#endif
