// GraphML reader (the first graph of a GraphML document, read with expat front to back into a link
// sink)
//
// Threads. expat reads the document on the calling thread, which gathers the
// names of each batch of links; with more than one thread, a joiner thread
// looks them up and hands the batch to the sink while expat reads the next:
// each does about half the work. The two batches pass between them under
// the handoff's mutex, and the node index, its maker and the sink are the
// joiner's alone until it is joined.
#include "large/graphml_reader.h"

#include <pthread.h>

#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "large/link_sinks.h"
#include "large/loaded_library.h"
#include "large/progress.h"

#ifdef UGRAPH_EXPAT
#include <expat.h>
#endif

namespace ugraph {

#ifdef UGRAPH_EXPAT

// expat's calls: the library is opened when a GraphML file first needs it.
struct ExpatCalls {
    decltype(&XML_StopParser) stop_parser;
    decltype(&XML_GetCurrentLineNumber) line_number;
    decltype(&XML_GetErrorCode) error_code;
    decltype(&XML_ErrorString) error_string;
    decltype(&XML_Parse) parse;
    decltype(&XML_GetBuffer) get_buffer;
    decltype(&XML_ParseBuffer) parse_buffer;
    decltype(&XML_ParserCreate) parser_create;
    decltype(&XML_SetParamEntityParsing) set_param_entity_parsing;
    decltype(&XML_SetUserData) set_user_data;
    decltype(&XML_SetElementHandler) set_element_handler;
    decltype(&XML_ParserFree) parser_free;
};

static ExpatCalls expat;

// Filled once, by the first thread that asks, and only read after.
static bool load_expat() {
    static const bool loaded = [] {
        void* l = open_library(UGRAPH_EXPAT_SONAME);
        return l != nullptr && find_call(l, "XML_StopParser", expat.stop_parser) &&
               find_call(l, "XML_GetCurrentLineNumber", expat.line_number) &&
               find_call(l, "XML_GetErrorCode", expat.error_code) &&
               find_call(l, "XML_ErrorString", expat.error_string) &&
               find_call(l, "XML_Parse", expat.parse) &&
               find_call(l, "XML_GetBuffer", expat.get_buffer) &&
               find_call(l, "XML_ParseBuffer", expat.parse_buffer) &&
               find_call(l, "XML_ParserCreate", expat.parser_create) &&
               find_call(l, "XML_SetParamEntityParsing", expat.set_param_entity_parsing) &&
               find_call(l, "XML_SetUserData", expat.set_user_data) &&
               find_call(l, "XML_SetElementHandler", expat.set_element_handler) &&
               find_call(l, "XML_ParserFree", expat.parser_free);
    }();
    return loaded;
}

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

// Link batches handed from the parser to the joiner at a time: enough that
// the handoff's waits are rare.
inline constexpr std::uint32_t HANDED_BATCHES = 64;

// Batches of links and the names of their ends. A batch's names are looked
// up together, so that the misses of their lookups overlap, as an edge
// list's do.
struct NameBatch {
    std::array<LinkBatch, HANDED_BATCHES> batches;           // a node alone is a link to 0
    std::uint32_t full;                                      // batches filled, the one filling next
    std::array<std::uint32_t, HANDED_BATCHES + 1> pendingAt; // batch k's: [at k, at k + 1)
    std::array<PendingName, std::size_t{2} * LINK_BATCH * HANDED_BATCHES> pending;
    std::uint32_t pendingCount;
    std::vector<char> names; // of the pending names
};

// What looks the names up and joins the links: one thread's at a time.
struct Joiner {
    NodeIndex* nodes;
    NodeMaker maker; // one for the whole document
    ForestSink sink;
};

// The batch handed from the parser to the joiner thread, under `mutex`.
struct Handoff {
    std::mutex mutex;
    std::condition_variable changed;
    NameBatch* handed; // not yet taken by the joiner
    bool busy;         // the joiner is taking a batch
    bool ended;        // the parser hands no more
    Failure failure;   // the joiner's, which stops the parser
};

// The document being read: where expat is in it, and what it gave so far.
struct GraphmlRead {
    XML_Parser parser;
    std::uint64_t position; // the next name's place in the order of first appearance
    std::uint64_t open;     // elements open, those inside one passed over left out
    std::uint64_t passed;   // elements open inside one passed over, itself included
    std::uint64_t graphs;   // graphs open in the first top-level one, itself included
    bool rooted;            // the first element was read
    bool graphSeen;         // the first top-level graph was opened
    bool inHyperedge;
    std::vector<char> ends; // the names of the hyperedge being read, each after its length
    std::array<NameBatch, 2> batches;
    NameBatch* filling; // one of the two
    Joiner joiner;
    bool threaded; // a joiner thread takes the full batches
    Handoff handoff;
    Progress progress;
    Failure failure;
};

// Stops expat at the element being read, for this failure.
static void stop(GraphmlRead& r, Failure f) {
    r.failure = std::move(f);
    expat.stop_parser(r.parser, XML_FALSE);
}

static void refuse(GraphmlRead& r, const char* message) {
    stop(r, text_failure(FailureKind::graphml, expat.line_number(r.parser), message,
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

// Looks up the names of batch k, each stage fetching what the next reads for
// every name, then hands the batch to the sink.
static Failure take_batch_names(Joiner& j, NameBatch& b, std::uint32_t k) {
    NodeIndex& nodes = *j.nodes;
    const std::uint32_t begin = b.pendingAt[k];
    const std::uint32_t end = b.pendingAt[k + 1];
    for (std::uint32_t i = begin; i < end; i++) {
        prefetch_key(nodes, b.pending[i].hash);
    }
    for (std::uint32_t i = begin; i < end; i++) {
        prefetch_name(nodes, b.pending[i].hash);
    }
    for (std::uint32_t i = begin; i < end; i++) {
        const PendingName& n = b.pending[i];
        *n.node = name_node(nodes, j.maker, b.names.data() + n.at, n.length, n.position, n.hash);
        if (*n.node == 0) {
            return failure(no_room(nodes));
        }
    }
    const bool taken = take_batch(j.sink, b.batches[k]);
    b.batches[k].count = 0;
    pause_table(nodes.table);
    return failure(taken ? FailureKind::none : FailureKind::out_of_memory);
}

// Takes the full batches, and empties them.
static Failure take_names(Joiner& j, NameBatch& b) {
    for (std::uint32_t k = 0; k < b.full; k++) {
        Failure f = take_batch_names(j, b, k);
        if (failed(f)) {
            return f;
        }
    }
    b.full = 0;
    b.pendingCount = 0;
    b.names.clear();
    return failure(FailureKind::none);
}

// The joiner thread: takes each batch handed to it until the parser ends,
// or a batch fails.
static void* join_batches(void* data) {
    GraphmlRead& r = *static_cast<GraphmlRead*>(data);
    Handoff& h = r.handoff;
    enter_table(r.joiner.nodes->table);
    std::unique_lock<std::mutex> guard(h.mutex);
    while (true) {
        h.changed.wait(guard, [&h] { return h.handed != nullptr || h.ended; });
        if (h.handed == nullptr) {
            break;
        }
        NameBatch* batch = h.handed;
        h.handed = nullptr;
        h.busy = true;
        guard.unlock();
        Failure f = take_names(r.joiner, *batch);
        guard.lock();
        h.busy = false;
        h.failure = std::move(f);
        h.changed.notify_all();
        if (failed(h.failure)) {
            break;
        }
    }
    guard.unlock();
    leave_table(r.joiner.nodes->table);
    return nullptr;
}

// Hands the batch being filled to the joiner once it has taken the last
// one, and fills the other; without a joiner thread, takes it here.
static Failure hand_over(GraphmlRead& r) {
    if (!r.threaded) {
        return take_names(r.joiner, *r.filling);
    }
    Handoff& h = r.handoff;
    std::unique_lock<std::mutex> guard(h.mutex);
    h.changed.wait(guard, [&h] { return (h.handed == nullptr && !h.busy) || failed(h.failure); });
    if (failed(h.failure)) {
        return h.failure;
    }
    h.handed = r.filling;
    r.filling = r.filling == &r.batches[0] ? &r.batches[1] : &r.batches[0];
    h.changed.notify_all();
    return failure(FailureKind::none);
}

static void pend(GraphmlRead& r, std::uint32_t& node, const char* name, std::uint32_t length) {
    NameBatch& b = *r.filling;
    b.pending[b.pendingCount++] = {&node, name_hash(name, length), r.position++, b.names.size(),
                                   length};
    b.names.insert(b.names.end(), name, name + length);
}

// A link of two names, or a node alone when `b` is nullptr.
static void add_named_link(GraphmlRead& r, const char* a, std::uint32_t aLength, const char* b,
                           std::uint32_t bLength) {
    NameBatch& names = *r.filling;
    LinkBatch& batch = names.batches[names.full];
    pend(r, batch.from[batch.count], a, aLength);
    batch.to[batch.count] = 0;
    if (b != nullptr) {
        pend(r, batch.to[batch.count], b, bLength);
    }
    batch.count++;
    if (batch.count < LINK_BATCH) {
        return;
    }
    names.full++;
    names.pendingAt[names.full] = names.pendingCount;
    if (names.full == HANDED_BATCHES) {
        Failure f = hand_over(r);
        if (failed(f)) {
            stop(r, std::move(f));
        }
    }
}

static std::uint32_t length_of(const char* name) {
    return static_cast<std::uint32_t>(std::strlen(name));
}

static void read_node(GraphmlRead& r, const XML_Char** atts) {
    const char* id = attribute(atts, "id");
    if (id == nullptr) {
        refuse(r, "a <node> without an id attribute");
        return;
    }
    add_named_link(r, id, length_of(id), nullptr, 0);
}

static void read_edge(GraphmlRead& r, const XML_Char** atts) {
    const char* source = attribute(atts, "source");
    const char* target = attribute(atts, "target");
    if (source == nullptr || target == nullptr) {
        refuse(r, source == nullptr ? "an <edge> without a source attribute"
                                    : "an <edge> without a target attribute");
        return;
    }
    add_named_link(r, source, length_of(source), target, length_of(target));
}

static void read_endpoint(GraphmlRead& r, const XML_Char** atts) {
    const char* node = attribute(atts, "node");
    if (node == nullptr) {
        refuse(r, "an <endpoint> without a node attribute");
        return;
    }
    const std::uint32_t length = length_of(node);
    const auto* bytes = reinterpret_cast<const char*>(&length);
    r.ends.insert(r.ends.end(), bytes, bytes + sizeof length);
    r.ends.insert(r.ends.end(), node, node + length);
}

// The name at `at` of the hyperedge's ends, and where the next one begins.
static const char* end_name(const GraphmlRead& r, std::size_t& at, std::uint32_t& length) {
    std::memcpy(&length, r.ends.data() + at, sizeof length);
    const char* name = r.ends.data() + at + sizeof length;
    at += sizeof length + length;
    return name;
}

// A hyperedge of k endpoints is k(k-1)/2 links, one for every pair, in the
// order that makes its ends first appear in theirs; one endpoint is a node.
static void link_ends(GraphmlRead& r) {
    std::size_t i = 0;
    for (std::size_t first = 0; i < r.ends.size() && !failed(r.failure); first++) {
        std::uint32_t aLength = 0;
        const char* a = end_name(r, i, aLength);
        if (first == 0 && i == r.ends.size()) {
            add_named_link(r, a, aLength, nullptr, 0);
        }
        for (std::size_t j = i; j < r.ends.size() && !failed(r.failure);) {
            std::uint32_t bLength = 0;
            const char* b = end_name(r, j, bLength);
            add_named_link(r, a, aLength, b, bLength);
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
    const XML_Error code = expat.error_code(r.parser);
    if (code == XML_ERROR_NO_MEMORY) {
        return failure(FailureKind::out_of_memory);
    }
    const char* message = expat.error_string(code);
    return text_failure(FailureKind::xml, expat.line_number(r.parser), message,
                        message + std::strlen(message));
}

// Hands expat the head's bytes, then the rest block by block, read into
// expat's own buffer.
static Failure parse_text(GraphmlRead& r, GraphSource& source) {
    bool last = head_is_whole(source);
    std::uint64_t offset = source.head.size();
    if (expat.parse(r.parser, source.head.data(), static_cast<int>(source.head.size()),
                    last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
        return parse_failure(r);
    }
    if (!source.regular) {
        source.head = std::vector<char>(); // the stream reads on after it
    }
    while (!last) {
        void* buffer = expat.get_buffer(r.parser, GRAPHML_BLOCK);
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
        show_reading(r.progress, "reading GraphML", file_bytes_read(source, offset));
        if (expat.parse_buffer(r.parser, static_cast<int>(got), last ? XML_TRUE : XML_FALSE) !=
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
    r.parser = expat.parser_create(source.decoder != nullptr ? "UTF-8" : nullptr);
    if (r.parser == nullptr) {
        return failure(FailureKind::out_of_memory);
    }
    expat.set_param_entity_parsing(r.parser, XML_PARAM_ENTITY_PARSING_NEVER);
    expat.set_user_data(r.parser, &r);
    expat.set_element_handler(r.parser, start_element, end_element);
    Failure f = parse_text(r, source);
    expat.parser_free(r.parser);
    return f;
}

// Starts the joiner thread when there is a thread to spare; without one, or
// when none starts, the parser takes its batches itself.
static void start_joiner(GraphmlRead& r, std::uint32_t threads, pthread_t& thread) {
    r.threaded = threads > 1 && pthread_create(&thread, nullptr, join_batches, &r) == 0;
    if (!r.threaded) {
        enter_table(r.joiner.nodes->table);
    }
}

// Takes the last batch, and ends and joins the joiner thread. A failure of
// the joiner's comes first: its batches lie before the parser's place.
static Failure end_joiner(GraphmlRead& r, pthread_t thread, Failure f) {
    NameBatch& last = *r.filling;
    if (last.batches[last.full].count != 0) {
        last.full++;
        last.pendingAt[last.full] = last.pendingCount;
    }
    if (!failed(f) && last.full != 0) {
        f = hand_over(r);
    }
    if (!r.threaded) {
        leave_table(r.joiner.nodes->table);
        return f;
    }
    {
        const std::lock_guard<std::mutex> guard(r.handoff.mutex);
        r.handoff.ended = true;
        r.handoff.changed.notify_all();
    }
    pthread_join(thread, nullptr);
    return failed(r.handoff.failure) ? r.handoff.failure : f;
}

Failure read_graphml_links(GraphSource& source, NodeIndex& nodes, const GraphmlOptions& options,
                           PassResult& result) {
    result = PassResult{};
    if (!load_expat()) {
        const char* soname = UGRAPH_EXPAT_SONAME;
        return text_failure(FailureKind::no_library, 0, soname, soname + std::strlen(soname));
    }
    auto r = std::make_unique<GraphmlRead>();
    r->joiner.nodes = &nodes;
    r->joiner.sink = ForestSink{&nodes, options.keep, {}, 0};
    r->filling = &r->batches[0];
    r->handoff.failure = failure(FailureKind::none);
    r->failure = failure(FailureKind::none);
    start_progress(r->progress, options.progress, source.size); // a pipe: 0, no percent
    pthread_t thread{};
    start_joiner(*r, options.threads, thread);
    Failure f = end_joiner(*r, thread, parse_document(*r, source));
    end_progress(r->progress);
    finish_maker(nodes, r->joiner.maker);
    result.links = r->joiner.sink.links;
    result.spans.push_back({0, 0, 0, r->joiner.sink.kept.count});
    result.kept.push_back(std::move(r->joiner.sink.kept));
    return f;
}

#else

Failure read_graphml_links(GraphSource& /*source*/, NodeIndex& /*nodes*/,
                           const GraphmlOptions& /*options*/, PassResult& /*result*/) {
    return failure(FailureKind::no_expat);
}

#endif

} // namespace ugraph
