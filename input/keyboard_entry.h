// Keyboard entry (a graph typed in node by node)
#ifndef UGRAPH_KEYBOARD_ENTRY_H
#define UGRAPH_KEYBOARD_ENTRY_H

#include "driver/graph_record.h"

namespace ugraph {

// Asks for the name, the node count N and one line of neighbors per node, and
// stores every accepted number once, from the node being entered to the
// number, in the order typed (a raw link table).
void read_graph_keyboard(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName);

} // namespace ugraph

#endif
