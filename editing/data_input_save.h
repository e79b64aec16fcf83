// Data-input save (replaces or adds one graph of the data file, keeping the rest)
#ifndef UGRAPH_DATA_INPUT_SAVE_H
#define UGRAPH_DATA_INPUT_SAVE_H

#include "editing/graph_file_writer.h"
#include "editing/safe_save.h"
#include "input/data_inputs.h"

namespace ugraph {

// Replaces data-input `number` of the data file, from its "[" to its "]",
// with text; every other byte stays as it is. The data-input must still be,
// byte for byte but for the case of its mark, the one that was loaded;
// otherwise nothing is written ("... changed since graph N was loaded").
SaveStatus replace_data_input(std::int32_t number, const DataInput& loaded, const GraphText& text);

// Gives text, as make_graph_text builds it, the loaded data-input's own "[",
// mark and lead-in in place of its "[U ", so that a replacement changes only
// the quoted name and the node list. False, after its message, when the
// text would no longer fit.
bool keep_lead_in(const DataInput& loaded, GraphText& text);

// Adds text as one more data-input on a line of its own at the end of the data
// file, which is made when missing; number gets its running number. A file
// that ends inside a data-input is left alone ("... ends inside a data-input").
SaveStatus append_data_input(const GraphText& text, std::int32_t& number);

} // namespace ugraph

#endif
