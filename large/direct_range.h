// Direct range (how many numbers of an edge list get a direct word, from its first lines)
#ifndef UGRAPH_DIRECT_RANGE_H
#define UGRAPH_DIRECT_RANGE_H

#include <cstdint>

#include "large/edge_dialect.h"

namespace ugraph {

// The first bytes of the links that choose the range, of those already read ahead.
inline constexpr std::uint64_t RANGE_LOOK = 1U << 18;

// The direct range of a file of numbers whose links begin with the lines of
// [begin, end), `restBytes` more following them (a floor; 0 when unknown).
// The lines are read up to the last newline, and up to the first line that
// is not one or two numbers in the dialect's id fields.
//
// The least range, DIRECT_IDS, unless the lines show numbers above it (below
// LAST_INDEX - 1, as high as direct numbers go), the highest H and the
// lowest L, and a table from L to H is worth its memory: 4 bytes a number,
// no more than
// - the text's bytes, and
// - what the hash path would take, about 16 bytes a node (a word, an 8-byte
//   key, a slot of a table at most 3/4 full), for as many nodes as the file
//   can hold: d distinct ids in the first s bytes, d/s of its bytes. In a
//   file whose lines come in no particular order, new ids grow rarer along
//   it, never more frequent, so the first lines' rate bounds the nodes.
// The range is then 2 (H + 1), room for numbers a little above H that the
// rest of the file may hold, or L and as many numbers as the table is
// worth, when fewer.
//
// The table costs from its lowest node to its highest: the tally reads
// every word between them, and reading a page that was never written costs
// a page of memory where the system gives no shared page of zeros. The
// pages below the lowest are never touched, so a file of ids from an offset
// pays for its span only.
//
// Why bounds, and not a count of the nodes: a first block of some thousands
// of ids cannot count the nodes of a large file. In real graphs a few ids
// take most of the links, and estimates from how often the sample repeats
// its ids (as Chao's) find an RMAT graph of 4.6 million nodes to hold some
// 200,000. The bounds hold for any file in no particular order, and are
// loose: a file of ids 0 to n - 1, each in it at least once, passes (a
// number above DIRECT_IDS takes at least 8 bytes of text, seven digits and
// a separator), and so does a file of few ids that the first lines do not
// yet show to repeat.
// The limits, and which way they err:
// - the table may cost more than the hash path would, up to 4 bytes a
//   number for a file whose nodes are few but whose first lines keep
//   bringing new ones: as large as the text at most;
// - first lines that bring new ids more often than the rest of the file
//   (all nodes listed before their links) loosen the second bound to the
//   first; more rarely (a cluster of repeated links), tighten it: hashed;
// - numbers the first lines do not show: up to the range, direct; above
//   it, hashed. A file sorted by id shows only its lowest first, and is
//   mostly hashed;
// - a stream of unknown length (a pipe) is known only by its first lines,
//   which are too short to pay for any table above DIRECT_IDS.
// Whatever the range, every number reads the same: only speed and memory change.
std::uint32_t direct_range(const char* begin, const char* end, const Dialect& dialect,
                           std::uint64_t restBytes);

} // namespace ugraph

#endif
