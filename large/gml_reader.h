// GML reader (the first graph of a GML text, read front to back on one thread into a link sink)
#ifndef UGRAPH_GML_READER_H
#define UGRAPH_GML_READER_H

#include <string>

#include "large/parallel_pass.h"
#include "large/text_lines.h"

namespace ugraph {

enum class GmlToken { key, number, string, open, close, end };

// GML's tokens, read line by line: keys, numbers, strings in double quotes
// (which may hold line breaks), [ and ], and # comments to the line's end.
struct GmlTokens {
    TextLines lines;
    std::string_view rest; // of the line being read
    std::string text;      // the last token's text: a string without its quotes
    std::uint64_t line;    // where the last token begins
};

// With `progress` a progress line shows the bytes read.
void start_tokens(GmlTokens& tokens, GraphSource& source, bool progress);

// The next token; a failure, with its line, for a byte that begins none or
// a string not closed, or when a read fails.
Failure next_token(GmlTokens& tokens, GmlToken& token);

// Reads the first `graph [...]` of the text: each `node [...]` a node, named
// by its id's text, in the order of the nodes; each `edge [...]` a link of
// its source and target, in the order read; every other key is passed over.
// Kept when `keep`. An edge whose end no node declares fails with its line,
// and so does a node without an id, or with one declared before.
Failure read_gml_links(GraphSource& source, NodeIndex& nodes, bool keep, PassResult& result,
                       bool progress);

} // namespace ugraph

#endif
