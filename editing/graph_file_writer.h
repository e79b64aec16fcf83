// Graph file writer (stores the graph in memory as the data file's one graph)
#ifndef UGRAPH_GRAPH_FILE_WRITER_H
#define UGRAPH_GRAPH_FILE_WRITER_H

#include "driver/graph_record.h"

namespace ugraph {

// Builds the graph text of a normalised link table (every link once, at its
// lower node), shows it, waits for one character, and replaces
// GraphDataFile2.txt with exactly that text. 0 when the file was written and
// closed; -1, with a message and the old file unchanged, otherwise.
std::int32_t write_graph_file(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                              const NameBuffer& graphName);

} // namespace ugraph

#endif
