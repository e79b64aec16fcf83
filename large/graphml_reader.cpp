// GraphML reader (the first graph of a GraphML document, read with expat front to back into a link
// sink)
#include "large/graphml_reader.h"

#include <array>
#include <cerrno>
#include <cstring>

#include "large/link_sinks.h"
#include "large/progress.h"

#ifdef UGRAPH_EXPAT
#include <expat.h>
#endif

namespace ugraph {

#ifdef UGRAPH_EXPAT

inline constexpr int GRAPHML_BLOCK = 1 << 18; // bytes handed to expat at a time

// The elements the reader acts on; `passed` ones are passed over with all
// they hold, so that whatever a data value or a key's default holds (any
// XML of any namespace) is never read as nodes or edges.
enum class Element { graphml, graph, node, edge, hyperedge, endpoint, passed, other };

static bool is(const char* local, const char* name) {
    return std::strcmp(local, name) == 0;
}

// The element a name stands for, whatever its prefix: the first letter of
// the local name picks the few names it may be.
static Element element_of(const char* name) {
    const char* colon = std::strchr(name, ':');
    const char* local = colon != nullptr ? colon + 1 : name;
    switch (local[0]) {
    case 'e':
        return is(local, "edge")       ? Element::edge
               : is(local, "endpoint") ? Element::endpoint
                                       : Element::other;
    case 'n':
        return is(local, "node") ? Element::node : Element::other;
    case 'd':
        return is(local, "data") || is(local, "desc") || is(local, "default") ? Element::passed
                                                                              : Element::other;
    case 'k':
        return is(local, "key") ? Element::passed : Element::other;
    case 'g':
        return is(local, "graph")     ? Element::graph
               : is(local, "graphml") ? Element::graphml
                                      : Element::other;
    case 'h':
        return is(local, "hyperedge") ? Element::hyperedge : Element::other;
    default:
        return Element::other;
    }
}

// A name read but not yet looked up: its index goes to `node`. Its bytes
// are kept in the read's `names` from `at`, since expat's go with the element.
struct PendingName {
    std::uint32_t* node;
    std::uint64_t hash;
    std::uint64_t position;
    std::size_t at;
    std::uint32_t length;
};

// The document being read: where expat is in it, and what it gave so far.
// The names of a batch's links are looked up together once it is full, so
// that the misses of their lookups overlap, as an edge list's do.
struct GraphmlRead {
    XML_Parser parser;
    NodeIndex* nodes;
    NodeMaker maker;        // one for the whole document, which this one thread reads
    std::uint64_t position; // the next name's place in the order of first appearance
    std::uint64_t open;     // elements open, those inside one passed over left out
    std::uint64_t passed;   // elements open inside one passed over, itself included
    std::uint64_t graphs;   // graphs open in the first top-level one, itself included
    bool rooted;            // the first element was read
    bool graphSeen;         // the first top-level graph was opened
    bool inHyperedge;
    std::vector<std::uint32_t> ends; // of the hyperedge being read
    LinkBatch batch;                 // a node alone is a link to 0
    std::array<PendingName, std::size_t{2} * LINK_BATCH> pending;
    std::uint32_t pendingCount;
    std::vector<char> names; // of the pending names
    ForestSink sink;
    Failure failure;
};

// Stops expat at the element being read, for this failure.
static void stop(GraphmlRead& r, Failure f) {
    r.failure = std::move(f);
    XML_StopParser(r.parser, XML_FALSE);
}

static void refuse(GraphmlRead& r, const char* message) {
    stop(r, text_failure(FailureKind::graphml, XML_GetCurrentLineNumber(r.parser), message,
                         message + std::strlen(message)));
}

static const char* attribute(const XML_Char** atts, const char* name) {
    for (; *atts != nullptr; atts += 2) {
        if (std::strcmp(atts[0], name) == 0) {
            return atts[1];
        }
    }
    return nullptr;
}

static FailureKind no_room(const NodeIndex& nodes) {
    return is_full(nodes) ? FailureKind::full : FailureKind::out_of_memory;
}

// The index of a node by its name, made when new; 0, with expat stopped,
// without room. The table is entered for the whole document.
static std::uint32_t node_named(GraphmlRead& r, const char* name) {
    const auto length = static_cast<std::uint32_t>(std::strlen(name));
    const std::uint32_t index =
        name_node(*r.nodes, r.maker, name, length, r.position++, name_hash(name, length));
    if (index == 0) {
        stop(r, failure(no_room(*r.nodes)));
    }
    return index;
}

// Looks up the batch's pending names, each stage fetching what the next
// reads for every name, then hands the batch to the sink.
static Failure take_links(GraphmlRead& r) {
    NodeIndex& nodes = *r.nodes;
    for (std::uint32_t i = 0; i < r.pendingCount; i++) {
        prefetch_key(nodes, r.pending[i].hash);
    }
    for (std::uint32_t i = 0; i < r.pendingCount; i++) {
        prefetch_name(nodes, r.pending[i].hash);
    }
    for (std::uint32_t i = 0; i < r.pendingCount; i++) {
        const PendingName& n = r.pending[i];
        *n.node = name_node(nodes, r.maker, r.names.data() + n.at, n.length, n.position, n.hash);
        if (*n.node == 0) {
            return failure(no_room(nodes));
        }
    }
    r.pendingCount = 0;
    r.names.clear();
    const bool taken = take_batch(r.sink, r.batch);
    r.batch.count = 0;
    return failure(taken ? FailureKind::none : FailureKind::out_of_memory);
}

static void pend(GraphmlRead& r, std::uint32_t& node, const char* name) {
    const auto length = static_cast<std::uint32_t>(std::strlen(name));
    const std::uint64_t hash = name_hash(name, length);
    prefetch_slot(r.nodes->table, hash);
    r.pending[r.pendingCount++] = {&node, hash, r.position++, r.names.size(), length};
    r.names.insert(r.names.end(), name, name + length);
}

static void next_link(GraphmlRead& r) {
    r.batch.count++;
    if (r.batch.count == LINK_BATCH) {
        Failure f = take_links(r);
        if (failed(f)) {
            stop(r, std::move(f));
        }
    }
}

// A link of two names, or a node alone when `b` is nullptr.
static void add_named_link(GraphmlRead& r, const char* a, const char* b) {
    pend(r, r.batch.from[r.batch.count], a);
    r.batch.to[r.batch.count] = 0;
    if (b != nullptr) {
        pend(r, r.batch.to[r.batch.count], b);
    }
    next_link(r);
}

static void add_link(GraphmlRead& r, std::uint32_t a, std::uint32_t b) {
    r.batch.from[r.batch.count] = a;
    r.batch.to[r.batch.count] = b;
    next_link(r);
}

static void read_node(GraphmlRead& r, const XML_Char** atts) {
    const char* id = attribute(atts, "id");
    if (id == nullptr) {
        refuse(r, "a <node> without an id attribute");
        return;
    }
    add_named_link(r, id, nullptr);
}

static void read_edge(GraphmlRead& r, const XML_Char** atts) {
    const char* source = attribute(atts, "source");
    const char* target = attribute(atts, "target");
    if (source == nullptr || target == nullptr) {
        refuse(r, source == nullptr ? "an <edge> without a source attribute"
                                    : "an <edge> without a target attribute");
        return;
    }
    add_named_link(r, source, target);
}

static void read_endpoint(GraphmlRead& r, const XML_Char** atts) {
    const char* node = attribute(atts, "node");
    if (node == nullptr) {
        refuse(r, "an <endpoint> without a node attribute");
        return;
    }
    const std::uint32_t index = node_named(r, node);
    if (index != 0) {
        r.ends.push_back(index);
    }
}

// A hyperedge of k endpoints is k(k-1)/2 links, one for every pair.
static void link_ends(GraphmlRead& r) {
    for (std::size_t i = 0; i < r.ends.size() && !failed(r.failure); i++) {
        for (std::size_t j = i + 1; j < r.ends.size() && !failed(r.failure); j++) {
            add_link(r, r.ends[i], r.ends[j]);
        }
    }
    r.inHyperedge = false;
}

// A top-level graph after the first is passed over with all it holds; a
// graph inside the first one is flattened into it.
static void open_graph(GraphmlRead& r) {
    if (r.graphs == 0 && r.graphSeen) {
        r.passed = 1;
        return;
    }
    r.graphs++;
    r.graphSeen = true;
}

// Nodes, edges and hyperedges count inside the first top-level graph only.
static void read_element(GraphmlRead& r, Element e, const XML_Char** atts) {
    switch (e) {
    case Element::graph:
        open_graph(r);
        break;
    case Element::passed:
        r.passed = 1;
        break;
    case Element::node:
        if (r.graphs != 0) {
            read_node(r, atts);
        }
        break;
    case Element::edge:
        if (r.graphs != 0) {
            read_edge(r, atts);
        }
        break;
    case Element::hyperedge:
        r.inHyperedge = r.graphs != 0;
        r.ends.clear();
        break;
    case Element::endpoint:
        if (r.inHyperedge) {
            read_endpoint(r, atts);
        }
        break;
    case Element::graphml:
    case Element::other:
        break;
    }
}

static void XMLCALL start_element(void* data, const XML_Char* name, const XML_Char** atts) {
    GraphmlRead& r = *static_cast<GraphmlRead*>(data);
    if (failed(r.failure)) {
        return; // expat may tell an element more after it is stopped
    }
    if (r.passed != 0) {
        r.passed++;
        return;
    }
    const Element e = element_of(name);
    if (!r.rooted) {
        r.rooted = true;
        if (e != Element::graphml) {
            refuse(r, "the first element is not <graphml>");
            return;
        }
    }
    r.open++;
    read_element(r, e, atts);
}

static void XMLCALL end_element(void* data, const XML_Char* name) {
    GraphmlRead& r = *static_cast<GraphmlRead*>(data);
    if (failed(r.failure)) {
        return;
    }
    if (r.passed != 0) {
        r.passed--;
        r.open -= r.passed == 0 ? 1 : 0; // the element passed over was counted open
        return;
    }
    r.open--;
    const Element e = element_of(name);
    if (e == Element::graph) {
        r.graphs--;
    } else if (e == Element::hyperedge && r.inHyperedge) {
        link_ends(r);
    } else if (r.open == 0 && !r.graphSeen) {
        refuse(r, "no <graph> element in the graphml document");
    }
}

// Why expat stopped: a failure of ours, or its own message and line.
static Failure parse_failure(const GraphmlRead& r) {
    if (failed(r.failure)) {
        return r.failure;
    }
    const XML_Error code = XML_GetErrorCode(r.parser);
    if (code == XML_ERROR_NO_MEMORY) {
        return failure(FailureKind::out_of_memory);
    }
    const char* message = XML_ErrorString(code);
    return text_failure(FailureKind::xml, XML_GetCurrentLineNumber(r.parser), message,
                        message + std::strlen(message));
}

// Hands expat the head's bytes, then the rest block by block, read into
// expat's own buffer.
static Failure parse_text(GraphmlRead& r, GraphSource& source) {
    bool last = head_is_whole(source);
    std::uint64_t offset = source.head.size();
    if (XML_Parse(r.parser, source.head.data(), static_cast<int>(source.head.size()),
                  last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
        return parse_failure(r);
    }
    if (!source.regular) {
        source.head = std::vector<char>(); // the stream reads on after it
    }
    while (!last) {
        void* buffer = XML_GetBuffer(r.parser, GRAPHML_BLOCK);
        if (buffer == nullptr) {
            return failure(FailureKind::out_of_memory);
        }
        char* bytes = static_cast<char*>(buffer);
        const long got = source.regular ? read_at(source, bytes, GRAPHML_BLOCK, offset)
                                        : read_on(source, bytes, GRAPHML_BLOCK);
        if (got < 0) {
            return read_failure(source, errno);
        }
        offset += static_cast<std::uint64_t>(got);
        last = got == 0;
        if (XML_ParseBuffer(r.parser, static_cast<int>(got), last ? XML_TRUE : XML_FALSE) !=
            XML_STATUS_OK) {
            return parse_failure(r);
        }
    }
    return failure(FailureKind::none);
}

// expat reads a UTF-16 text in the UTF-8 the source turns it into, whatever
// its declaration says; any other text in the encoding it declares. It never
// reads an external DTD or entity: no handler asks for one.
static Failure parse_document(GraphmlRead& r, GraphSource& source) {
    r.parser = XML_ParserCreate(source.decoder != nullptr ? "UTF-8" : nullptr);
    if (r.parser == nullptr) {
        return failure(FailureKind::out_of_memory);
    }
    XML_SetParamEntityParsing(r.parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetUserData(r.parser, &r);
    XML_SetElementHandler(r.parser, start_element, end_element);
    enter_table(r.nodes->table);
    Failure f = parse_text(r, source);
    if (!failed(f) && r.batch.count != 0) {
        f = take_links(r);
    }
    leave_table(r.nodes->table);
    XML_ParserFree(r.parser);
    return f;
}

Failure read_graphml_links(GraphSource& source, NodeIndex& nodes, bool keep, PassResult& result,
                           bool progress) {
    result = PassResult{};
    auto r = std::make_unique<GraphmlRead>();
    r->nodes = &nodes;
    r->sink = ForestSink{&nodes, keep, {}, 0};
    r->failure = failure(FailureKind::none);
    Ticker ticker{};
    start_ticker(ticker, progress, "parsing GraphML");
    Failure f = parse_document(*r, source);
    stop_ticker(ticker);
    finish_maker(nodes, r->maker);
    result.links = r->sink.links;
    result.spans.push_back({0, 0, 0, r->sink.kept.count});
    result.kept.push_back(std::move(r->sink.kept));
    return f;
}

#else

Failure read_graphml_links(GraphSource& /*source*/, NodeIndex& /*nodes*/, bool /*keep*/,
                           PassResult& /*result*/, bool /*progress*/) {
    return failure(FailureKind::no_expat);
}

#endif

} // namespace ugraph
