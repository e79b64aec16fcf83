// Expat floor (the least work a summary of a GraphML file takes, for the benchmark)
//
// Not ugraph: a measuring stick beside it. expat reads every byte of the
// document, block by block, and tells every element to handlers that only
// count the edges; no name is looked up and nothing is joined. No GraphML
// reader built on expat can go below it on one thread.
#include <expat.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int BLOCK = 1 << 18;

void XMLCALL start_element(void* data, const XML_Char* name, const XML_Char** /*atts*/) {
    *static_cast<long*>(data) += std::strcmp(name, "edge") == 0 ? 1 : 0;
}

void XMLCALL end_element(void* /*data*/, const XML_Char* /*name*/) {}

} // namespace

int main(int argc, char** argv) {
    std::FILE* file = argc == 2 ? std::fopen(argv[1], "rb") : nullptr;
    if (file == nullptr) {
        std::fprintf(stderr, "usage: expat_floor FILE (a GraphML file that opens)\n");
        return 2;
    }
    long edges = 0;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &edges);
    XML_SetElementHandler(parser, start_element, end_element);
    for (bool last = false; !last;) {
        void* buffer = XML_GetBuffer(parser, BLOCK);
        const std::size_t got = std::fread(buffer, 1, BLOCK, file);
        last = got == 0;
        if (XML_ParseBuffer(parser, static_cast<int>(got), last ? XML_TRUE : XML_FALSE) !=
            XML_STATUS_OK) {
            std::fprintf(stderr, "expat_floor: line %lu: %s\n",
                         static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                         XML_ErrorString(XML_GetErrorCode(parser)));
            return 1;
        }
    }
    std::printf("%s  %ld edges\n", argv[1], edges);
    XML_ParserFree(parser);
    std::fclose(file);
    return 0;
}
