// Loaded library (a shared library opened when a file first needs it, and its calls found by name)
#include "large/loaded_library.h"

#include <dlfcn.h>

namespace ugraph {

// RTLD_LOCAL: the library's symbols stay its own, so that none stands in
// for another library's of the same name.
void* open_library(const char* soname) {
    return dlopen(soname, RTLD_NOW | RTLD_LOCAL);
}

void* library_symbol(void* library, const char* name) {
    return dlsym(library, name);
}

} // namespace ugraph
