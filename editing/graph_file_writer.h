// Graph file writer (stores the graph in memory as the data file's one graph)
#ifndef UGRAPH_GRAPH_FILE_WRITER_H
#define UGRAPH_GRAPH_FILE_WRITER_H

#include "console/console.h"
#include "driver/graph_record.h"

namespace ugraph {

// A graph text: at most LINE_SIZE - 1 characters, the most the reader takes
// back, and its NUL.
struct GraphText {
    LineBuffer chars;
    std::int32_t length;
    bool overflow; // a character did not fit
};

// Builds the graph text of a normalised link table: the name, then every
// node (i) with its neighbors above i (and i itself for a link to itself,
// when selfLinks is set). False, after its message, for a name that would not
// read back, a table not grouped by ascending node, or too long a text.
bool make_graph_text(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                     const NameBuffer& graphName, bool selfLinks, GraphText& text);

// Builds the graph text (every link once, at its lower node; no links to
// itself), shows it, waits for one character, and replaces the data file
// with exactly that text. 0 when the file was written and closed; -1, with a
// message and the old file unchanged, otherwise.
std::int32_t write_graph_file(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                              const NameBuffer& graphName);

} // namespace ugraph

#endif
