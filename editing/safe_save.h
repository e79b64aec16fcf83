// Safe save (replaces a data file's contents, whole or not at all)
#ifndef UGRAPH_SAFE_SAVE_H
#define UGRAPH_SAFE_SAVE_H

#include <cstdio>

namespace ugraph {

enum class SaveStatus { saved, refused, failed };

// Writes the file's coming contents: reads the old one (nullptr when there
// is none) and writes into fresh. saved to go on; refused, after its own
// message, to leave the old file as it is.
using SaveFiller = SaveStatus (*)(std::FILE* old, std::FILE* fresh, void* context);

// Saves the data file at path (through symbolic links, to their target, which
// is made when missing) under an exclusive lock on its directory, so that
// saves never overlap. fill writes a temporary file beside it: unnamed where
// the file system allows (O_TMPFILE), else hidden as ".NAME.ugraph-XXXXXX".
// It is flushed to the disk, given the old file's owner, group and permission
// bits (0666 less the umask when there was none) and renamed over it. The
// temporary files that killed runs left beside the same data file are
// removed first. A file without any write bit, one this user may not write,
// and one with other hard links are not saved. On failure, or on SIGINT,
// SIGTERM or SIGHUP meanwhile, the temporary file is removed and the old file
// stays whole; failed comes back after the line "Cannot write file PATH:
// REASON".
SaveStatus save_data_file(const char* path, SaveFiller fill, void* context);

} // namespace ugraph

#endif
