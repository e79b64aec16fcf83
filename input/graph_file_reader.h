// Graph data file reader (lists, chooses and loads a graph of the data file)
#ifndef UGRAPH_GRAPH_FILE_READER_H
#define UGRAPH_GRAPH_FILE_READER_H

#include "driver/graph_record.h"
#include "input/data_inputs.h"

namespace ugraph {

// Lists the data-inputs of the data file, lets the user choose one, and loads
// its name and links, every link in both directions, normalised. Returns the
// entry count; 0 when nothing was loaded (the record is then unchanged, or,
// for a graph without links, holds its name and an empty table).
std::int32_t read_graph_file(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName);

// The same dialogue for a caller that goes on with any graph it parses: the
// entry count, 0 included, or -1 when nothing was loaded. copy and chosen
// keep the data-input as loaded and its number. A file without data-inputs
// is not offered for a choice ("ugraph: PATH holds no graphs").
std::int32_t choose_graph_file(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName,
                               DataInput& copy, std::int32_t& chosen);

} // namespace ugraph

#endif
