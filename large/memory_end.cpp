// Memory end (ends the run when memory runs out, naming the file being read)
#include "large/memory_end.h"

#include <cstdio>
#include <cstdlib>

#include "large/failure.h"

namespace ugraph {

static const char* memoryFile = "-";
static bool endsRun = true;

void read_memory_for(const char* name) {
    memoryFile = name;
}

void end_out_of_memory() {
    report(memoryFile, failure(FailureKind::out_of_memory));
    std::fflush(stderr);
    std::_Exit(1);
}

void set_memory_ends_run(bool ends) {
    endsRun = ends;
}

bool memory_ends_run() {
    return endsRun;
}

} // namespace ugraph
