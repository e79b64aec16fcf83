// Loaded library (a shared library opened when a file first needs it, and its calls found by name)
//
// Most runs read no xz, bzip2, zstd or GraphML file. Linked at start, the
// libraries that read them cost every run the dynamic loader's binding of
// their symbols, some 200,000 instructions, more than the dialogue's whole
// run may take beside its own work; opened on first use, they cost only the
// runs that read such a file. Their sonames come from the build, which finds
// the libraries as it would to link them.
#ifndef UGRAPH_LOADED_LIBRARY_H
#define UGRAPH_LOADED_LIBRARY_H

namespace ugraph {

// The library of that soname, opened with every symbol bound now; nullptr
// when it cannot be opened. Opening it again gives the same library.
void* open_library(const char* soname);

// The library's function of that name; nullptr when it has none.
void* library_symbol(void* library, const char* name);

// Sets `call` to the library's function of that name; false when it has
// none. The function is of the type the library's header declares.
template <typename Call> bool find_call(void* library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(library_symbol(library, name));
    return call != nullptr;
}

} // namespace ugraph

#endif
