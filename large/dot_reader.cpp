// DOT reader (the first graph of a DOT text, read with Graphviz's own parser into a link sink)
#include "large/dot_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "large/link_sinks.h"
#include "large/memory_end.h"
#include "large/progress.h"

#ifdef UGRAPH_CGRAPH
#include <graphviz/cgraph.h>
#include <sys/mman.h>
#endif

namespace ugraph {

#ifdef UGRAPH_CGRAPH

// cgraph hands its messages over in pieces; they are gathered here.
static std::vector<char> dotMessage;

static int gather_message(char* piece) {
    dotMessage.insert(dotMessage.end(), piece, piece + std::strlen(piece));
    return 0;
}

// The whole text, held while cgraph reads it.
static bool read_text(GraphSource& source, std::vector<char>& text) {
    if (!peek_until(source, 1U << 16, [] { return false; })) {
        return false;
    }
    text.swap(source.head);
    return true;
}

// "syntax error in line 4 near '}'" becomes "syntax error near '}'" of line 4.
static Failure syntax_failure() {
    constexpr std::string_view inLine = " in line ";
    std::string_view message(dotMessage.data(), dotMessage.size());
    const std::size_t label = message.rfind(": ");
    message = label == std::string_view::npos ? message : message.substr(label + 2);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.remove_suffix(1);
    }
    const std::size_t at = message.find(inLine);
    unsigned long long line = 0;
    if (at != std::string_view::npos &&
        std::sscanf(message.data() + at, " in line %llu", &line) == 1 && line != 0) {
        std::size_t after = at + inLine.size();
        while (after < message.size() && message[after] >= '0' && message[after] <= '9') {
            after++;
        }
        Failure f = text_failure(FailureKind::dot, line, message.data(), message.data() + at);
        f.text.insert(f.text.end(), message.begin() + static_cast<std::ptrdiff_t>(after),
                      message.end());
        return f;
    }
    if (message.empty()) {
        message = "no DOT graph in the file";
    }
    return text_failure(FailureKind::dot, 0, message.data(), message.data() + message.size());
}

// cgraph's memory comes from the discipline below. cgraph cannot go on once
// an allocation fails (its parser writes through the null pointer), so
// memory running out while it reads ends the run there. Some of its memory
// comes from plain malloc, unchecked: the scanner's buffers, which grow by
// doubling to hold the longest token about five times over (its input, the
// string it gathers, a concatenation), and cdt's head of every dictionary,
// about as much again as the discipline gives for a subgraph. So the
// discipline is the one that fails: every CHECK_STEP bytes it gives, it
// makes sure that six times the text and a few CHECK_STEPs more could still
// be had.
inline constexpr std::size_t CHECK_STEP = std::size_t{1} << 20;
static std::size_t dotHeadroom;
static std::size_t sinceCheck; // bytes given since the last check

// Whether `bytes` more could be had. Mapped and never touched, they take no
// memory, only what a limit counts: address space (ulimit -v), data
// (ulimit -d), or the commit charge when the system does not overcommit.
static bool has_room(std::size_t bytes) {
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED) {
        return false;
    }
    munmap(block, bytes);
    return true;
}

static void keep_headroom(std::size_t size) {
    sinceCheck += size;
    if (sinceCheck >= CHECK_STEP) {
        sinceCheck = 0;
        if (!has_room(dotHeadroom)) {
            end_out_of_memory();
        }
    }
}

static void* open_memory(Agdisc_t* /*disc*/) {
    return nullptr;
}

static void* allocate(void* /*heap*/, std::size_t size) {
    keep_headroom(size);
    void* memory = std::calloc(1, size);
    if (memory == nullptr && size != 0) {
        end_out_of_memory();
    }
    return memory;
}

static void* resize(void* /*heap*/, void* memory, std::size_t old, std::size_t size) {
    keep_headroom(size);
    void* moved = std::realloc(memory, size);
    if (moved == nullptr && size != 0) {
        end_out_of_memory();
    }
    if (size > old) {
        std::memset(static_cast<char*>(moved) + old, 0, size - old);
    }
    return moved;
}

static void release(void* /*heap*/, void* memory) {
    std::free(memory);
}

static Agmemdisc_t dotMemory = {open_memory, allocate, resize, release, nullptr};

// The text as cgraph's input channel, handed over a line at a time as
// agmemread does: what the scanner reads past the first graph, and keeps for
// the next text, is the rest of its last line and no more.
struct DotText {
    const char* bytes;
    std::size_t size;
    std::size_t at;
};

static int read_line(void* channel, char* buffer, int size) {
    DotText& text = *static_cast<DotText*>(channel);
    const std::size_t most = std::min(static_cast<std::size_t>(size), text.size - text.at);
    if (most == 0) {
        return 0; // the end, or an empty text, which has no bytes at all
    }
    const char* line = text.bytes + text.at;
    const void* end = std::memchr(line, '\n', most);
    const std::size_t count =
        end == nullptr ? most : static_cast<std::size_t>(static_cast<const char*>(end) - line) + 1;
    std::memcpy(buffer, line, count);
    text.at += count;
    return static_cast<int>(count);
}

static Agiodisc_t dotInput = {read_line, AgIoDisc.putstr, AgIoDisc.flush};
static Agdisc_t dotDiscipline = {&dotMemory, &AgIdDisc, &dotInput};

// Whether cgraph may start on the text: the headroom is there. Without it
// the run ends here, as it would inside cgraph, unless the caller takes the
// failure instead (false).
static bool has_headroom(const std::vector<char>& text) {
    dotHeadroom = 6 * text.size() + 4 * CHECK_STEP;
    sinceCheck = 0;
    if (has_room(dotHeadroom)) {
        return true;
    }
    if (memory_ends_run()) {
        end_out_of_memory();
    }
    return false;
}

// The text's first graph, or nullptr with cgraph's message gathered.
static Agraph_t* parse(const std::vector<char>& text) {
    DotText channel{text.data(), text.size(), 0};
    dotMessage.clear();
    const agusererrf previous = agseterrf(gather_message);
    Agraph_t* graph = agread(&channel, &dotDiscipline);
    agsetfile(nullptr); // the next text's lines count from 1 again
    agseterrf(previous);
    return graph;
}

struct DotLink {
    std::uint64_t order;
    std::uint32_t a;
    std::uint32_t b;
};

// The index of a named node, on this one thread, with the graph's one
// maker: a maker per node would take a run of indexes and a block for names
// each time; 0 without room.
static std::uint32_t dot_node(NodeIndex& nodes, NodeMaker& maker, const char* name,
                              std::uint64_t seq) {
    const auto length = static_cast<std::uint32_t>(std::strlen(name));
    return name_node(nodes, maker, name, length, seq, name_hash(name, length));
}

static FailureKind no_room(const NodeIndex& nodes) {
    return is_full(nodes) ? FailureKind::full : FailureKind::out_of_memory;
}

// Hands the links to the sink a batch at a time, in the order cgraph made them.
static FailureKind sink_links(const std::vector<DotLink>& links, ForestSink& sink) {
    LinkBatch batch{};
    for (std::size_t i = 0; i < links.size(); i += batch.count) {
        batch.count =
            static_cast<std::uint32_t>(std::min<std::size_t>(LINK_BATCH, links.size() - i));
        for (std::uint32_t k = 0; k < batch.count; k++) {
            batch.from[k] = links[i + k].a;
            batch.to[k] = links[i + k].b;
        }
        if (!take_batch(sink, batch)) {
            return FailureKind::out_of_memory;
        }
    }
    return FailureKind::none;
}

// Every node, numbered in the order cgraph made them, which is the order of
// first appearance; then every edge, in the order cgraph made them.
static FailureKind take_graph(Agraph_t* graph, NodeIndex& nodes, ForestSink& sink) {
    // Node indexes by sequence number (cgraph numbers the nodes 1, 2, ... as
    // it makes them): an edge's ends are found without a name lookup.
    std::vector<std::uint32_t> indexOf(static_cast<std::size_t>(agnnodes(graph)) + 1);
    NodeMaker maker{};
    enter_table(nodes.table);
    std::uint32_t index = 1;
    for (Agnode_t* n = agfstnode(graph); n != nullptr && index != 0; n = agnxtnode(graph, n)) {
        const std::uint64_t seq = AGSEQ(n);
        index = dot_node(nodes, maker, agnameof(n), seq);
        if (seq >= indexOf.size()) {
            indexOf.resize(seq + 1);
        }
        indexOf[seq] = index;
    }
    leave_table(nodes.table);
    finish_maker(nodes, maker);
    if (index == 0) {
        return no_room(nodes);
    }
    std::vector<DotLink> links;
    for (Agnode_t* n = agfstnode(graph); n != nullptr; n = agnxtnode(graph, n)) {
        for (Agedge_t* e = agfstout(graph, n); e != nullptr; e = agnxtout(graph, e)) {
            links.push_back({AGSEQ(e), indexOf[AGSEQ(agtail(e))], indexOf[AGSEQ(aghead(e))]});
        }
    }
    std::sort(links.begin(), links.end(),
              [](const DotLink& x, const DotLink& y) { return x.order < y.order; });
    return sink_links(links, sink);
}

Failure read_dot_links(GraphSource& source, NodeIndex& nodes, PassResult& result, bool progress) {
    std::vector<char> text;
    result = PassResult{};
    // cgraph tells nothing while it reads: a ticker shows the seconds instead.
    Ticker ticker{};
    start_ticker(ticker, progress, "parsing DOT");
    const bool read = read_text(source, text);
    const bool room = read && has_headroom(text);
    Agraph_t* graph = room ? parse(text) : nullptr;
    stop_ticker(ticker);
    if (!read) {
        return read_failure(source, errno);
    }
    if (!room) {
        return failure(FailureKind::out_of_memory);
    }
    if (graph == nullptr) {
        return syntax_failure();
    }
    ForestSink sink{&nodes, true, {}, 0};
    const FailureKind taken = take_graph(graph, nodes, sink);
    agclose(graph);
    result.links = sink.links;
    result.spans.push_back({0, 0, 0, sink.kept.count});
    result.kept.push_back(std::move(sink.kept));
    return failure(taken);
}

#else

Failure read_dot_links(GraphSource& /*source*/, NodeIndex& /*nodes*/, PassResult& /*result*/,
                       bool /*progress*/) {
    return failure(FailureKind::no_cgraph);
}

#endif

} // namespace ugraph
