// Graph data file reader (lists, chooses and loads a graph of GraphDataFile2.txt)
#ifndef UGRAPH_GRAPH_FILE_READER_H
#define UGRAPH_GRAPH_FILE_READER_H

#include "driver/graph_record.h"

namespace ugraph {

inline constexpr char GRAPH_FILE_NAME[] = "GraphDataFile2.txt";
inline constexpr std::int32_t MAX_FILE_LINKS = 624; // links one data-input may list

// Lists the data-inputs of the data file, lets the user choose one, and loads
// its name and links, every link in both directions, normalised. Returns the
// entry count; 0 when nothing was loaded (the record is then unchanged, or,
// for a graph without links, holds its name and an empty table).
std::int32_t read_graph_file(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName);

} // namespace ugraph

#endif
