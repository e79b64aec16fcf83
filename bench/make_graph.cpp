// Writes a large random graph as an edge list, Matrix Market or GraphML file for benchmarks.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const usage =
    "usage: make_graph [--ids=KIND | --mtx | --graphml] rmat SCALE [EDGE_FACTOR=16] [SEED]\n"
    "       make_graph [--ids=KIND | --mtx | --graphml] grid SIDE [SEED]\n"
    "       make_graph [--ids=KIND | --mtx | --graphml] uniform NODES LINKS [SEED]\n"
    "KIND: dense (id x written as x, the default), sparse (x*1000003+17)\n"
    "      or names (vx, the two of a link separated by a comma)\n"
    "--graphml declares every id a node, as --mtx does, and writes the links as edges\n";

const std::uint64_t default_seed = 20240611;

// How an id x is written: the same links under other ids, for the readers' id tables.
enum class Ids { dense, sparse, names };

// The file's shape: Matrix Market writes ids 1-based; both it and GraphML
// declare every id a node before the links.
enum class Shape { edges, mtx, graphml };

// Output: a large buffer written with fwrite, numbers formatted by hand.
struct Output {
    std::vector<char> buffer = std::vector<char>(std::size_t{1} << 20);
    std::size_t used = 0;
    Shape shape = Shape::edges;
    Ids ids = Ids::dense;
};

void flush(Output& out) {
    if (std::fwrite(out.buffer.data(), 1, out.used, stdout) != out.used) {
        std::perror("make_graph: write");
        std::exit(1);
    }
    out.used = 0;
}

void put_number(Output& out, std::uint64_t n) {
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (count > 0) {
        out.buffer[out.used++] = digits[--count];
    }
}

void put_text(Output& out, const char* text) {
    const std::size_t length = std::strlen(text);
    std::memcpy(out.buffer.data() + out.used, text, length);
    out.used += length;
}

void put_id(Output& out, std::uint32_t x) {
    if (out.shape == Shape::mtx) {
        put_number(out, std::uint64_t{x} + 1);
    } else if (out.ids == Ids::sparse) {
        put_number(out, std::uint64_t{x} * 1000003 + 17);
    } else if (out.ids == Ids::names) {
        out.buffer[out.used++] = 'v';
        put_number(out, x);
    } else {
        put_number(out, x);
    }
}

// A line is at most 66 bytes: a GraphML edge of two sparse ids of 16 digits (below
// 2^32 * 1000003 + 17).
void put_link(Output& out, std::uint32_t a, std::uint32_t b) {
    if (out.buffer.size() - out.used < 128) {
        flush(out);
    }
    if (out.shape == Shape::graphml) {
        put_text(out, "<edge source=\"");
        put_id(out, a);
        put_text(out, "\" target=\"");
        put_id(out, b);
        put_text(out, "\"/>\n");
        return;
    }
    put_id(out, a);
    out.buffer[out.used++] = out.ids == Ids::names ? ',' : ' ';
    put_id(out, b);
    out.buffer[out.used++] = '\n';
}

void put_graphml_nodes(Output& out, std::uint64_t ids) {
    put_text(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n"
                  "<graph id=\"G\" edgedefault=\"undirected\">\n");
    for (std::uint64_t x = 0; x < ids; x++) {
        if (out.buffer.size() - out.used < 64) {
            flush(out);
        }
        put_text(out, "<node id=\"");
        put_id(out, static_cast<std::uint32_t>(x));
        put_text(out, "\"/>\n");
    }
}

void put_header(Output& out, std::uint64_t ids, std::uint64_t links) {
    if (out.shape == Shape::graphml) {
        put_graphml_nodes(out, ids);
    }
    if (out.shape != Shape::mtx) {
        return;
    }
    const std::string header = "%%MatrixMarket matrix coordinate pattern general\n" +
                               std::to_string(ids) + " " + std::to_string(ids) + " " +
                               std::to_string(links) + "\n";
    put_text(out, header.c_str());
}

void put_trailer(Output& out) {
    if (out.shape == Shape::graphml) {
        flush(out);
        put_text(out, "</graph>\n</graphml>\n");
    }
}

// splitmix64: fast, and the same graph for a seed on every platform and library.
std::uint64_t next_random(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
    z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
    return z ^ (z >> 31);
}

// A number in [0, bound) for bound <= 2^32, by multiplying and shifting.
std::uint32_t random_below(std::uint64_t& state, std::uint64_t bound) {
    return static_cast<std::uint32_t>(((next_random(state) >> 32) * bound) >> 32);
}

template <typename T> void shuffle(std::vector<T>& items, std::uint64_t& state) {
    for (std::size_t i = items.size(); i > 1; i--) {
        const std::size_t j = random_below(state, i);
        std::swap(items[i - 1], items[j]);
    }
}

std::vector<std::uint32_t> random_ids(std::uint64_t count, std::uint64_t& state) {
    std::vector<std::uint32_t> ids(count);
    for (std::uint64_t i = 0; i < count; i++) {
        ids[i] = static_cast<std::uint32_t>(i);
    }
    shuffle(ids, state);
    return ids;
}

// One RMAT link: at each level a quadrant with the Graph500 chances a, b, c, d. Each level
// takes 16 random bits (four levels a draw) and no branch, for speed.
void rmat_link(std::uint64_t& state, int scale, std::uint32_t& row, std::uint32_t& col) {
    const std::uint32_t below_b = 37356; // 0.57 * 65536
    const std::uint32_t below_c = 49807; // (0.57 + 0.19) * 65536
    const std::uint32_t below_d = 62259; // (0.57 + 0.19 + 0.19) * 65536
    row = 0;
    col = 0;
    std::uint64_t bits = 0;
    for (int level = 0; level < scale; level++) {
        if (level % 4 == 0) {
            bits = next_random(state);
        }
        const auto r = static_cast<std::uint32_t>(bits & 0xffff);
        bits >>= 16;
        const std::uint32_t in_b = static_cast<std::uint32_t>(r >= below_b && r < below_c);
        const std::uint32_t in_c_or_d = static_cast<std::uint32_t>(r >= below_c);
        const std::uint32_t in_d = static_cast<std::uint32_t>(r >= below_d);
        row |= in_c_or_d << level;
        col |= (in_b | in_d) << level;
    }
}

// Every link is drawn on its own, so the order they come in is already random.
void write_rmat(Output& out, int scale, std::uint64_t edge_factor, std::uint64_t seed) {
    std::uint64_t state = seed;
    const std::uint64_t ids = std::uint64_t{1} << scale;
    const std::uint64_t links = edge_factor * ids;
    const std::vector<std::uint32_t> id = random_ids(ids, state);
    put_header(out, ids, links);
    for (std::uint64_t i = 0; i < links; i++) {
        std::uint32_t row = 0;
        std::uint32_t col = 0;
        rmat_link(state, scale, row, col);
        put_link(out, id[row], id[col]);
    }
}

// Ids drawn uniformly need no permutation: a permuted uniform draw is a uniform draw.
void write_uniform(Output& out, std::uint64_t ids, std::uint64_t links, std::uint64_t seed) {
    std::uint64_t state = seed;
    put_header(out, ids, links);
    for (std::uint64_t i = 0; i < links; i++) {
        const std::uint32_t a = random_below(state, ids);
        const std::uint32_t b = random_below(state, ids);
        put_link(out, a, b);
    }
}

// The grid's links come in order, so they are shuffled before they are written.
void write_grid(Output& out, std::uint64_t side, std::uint64_t seed) {
    std::uint64_t state = seed;
    const std::vector<std::uint32_t> id = random_ids(side * side, state);
    std::vector<std::uint64_t> links; // a link's first node times 2, plus 1 when it goes down
    links.reserve(2 * side * (side - 1));
    for (std::uint64_t node = 0; node < side * side; node++) {
        if (node % side + 1 < side) {
            links.push_back(2 * node);
        }
        if (node / side + 1 < side) {
            links.push_back(2 * node + 1);
        }
    }
    shuffle(links, state);
    put_header(out, side * side, links.size());
    for (const std::uint64_t link : links) {
        const std::uint64_t node = link / 2;
        const std::uint64_t other = link % 2 == 0 ? node + 1 : node + side;
        put_link(out, id[node], id[other]);
    }
}

// A whole decimal number in [low, high], or else the usage and exit.
std::uint64_t number_argument(const char* text, std::uint64_t low, std::uint64_t high) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(text, &end, 10);
    if (text[0] < '0' || text[0] > '9' || *end != '\0' || errno != 0 || n < low || n > high) {
        std::fprintf(stderr, "make_graph: %s: not a number in [%llu, %llu]\n%s", text,
                     static_cast<unsigned long long>(low), static_cast<unsigned long long>(high),
                     usage);
        std::exit(2);
    }
    return n;
}

std::uint64_t seed_argument(int argc, char** argv, int at) {
    return at < argc ? number_argument(argv[at], 0, UINT64_MAX) : default_seed;
}

// Writes the graph the arguments (after the options) ask for; false when they ask for none.
bool write_graph(Output& out, int argc, char** argv) {
    const std::uint64_t max_ids = std::uint64_t{1} << 32;
    const std::string kind = argc > 0 ? argv[0] : "";
    if (kind == "rmat" && argc >= 2 && argc <= 4) {
        const auto scale = static_cast<int>(number_argument(argv[1], 1, 31));
        const std::uint64_t edge_factor = argc >= 3 ? number_argument(argv[2], 1, 1 << 20) : 16;
        write_rmat(out, scale, edge_factor, seed_argument(argc, argv, 3));
        return true;
    }
    if (kind == "grid" && argc >= 2 && argc <= 3) {
        const std::uint64_t side = number_argument(argv[1], 1, 65536);
        write_grid(out, side, seed_argument(argc, argv, 2));
        return true;
    }
    if (kind == "uniform" && argc >= 3 && argc <= 4) {
        const std::uint64_t ids = number_argument(argv[1], 1, max_ids);
        const std::uint64_t links = number_argument(argv[2], 0, UINT64_MAX / 2);
        write_uniform(out, ids, links, seed_argument(argc, argv, 3));
        return true;
    }
    return false;
}

// Reads the options before the kind of graph into out; false on one it does not know.
bool read_options(Output& out, int argc, char** argv, int& first) {
    for (first = 1; first < argc && std::strncmp(argv[first], "--", 2) == 0; first++) {
        const std::string option = argv[first];
        if (option == "--mtx") {
            out.shape = Shape::mtx;
        } else if (option == "--graphml") {
            out.shape = Shape::graphml;
        } else if (option == "--ids=dense") {
            out.ids = Ids::dense;
        } else if (option == "--ids=sparse") {
            out.ids = Ids::sparse;
        } else if (option == "--ids=names") {
            out.ids = Ids::names;
        } else {
            return false;
        }
    }
    // A Matrix Market file numbers its ids 1 to N: no other kind of id fits it.
    return !(out.shape == Shape::mtx && out.ids != Ids::dense);
}

} // namespace

int main(int argc, char** argv) {
    Output out;
    int first = 1;
    if (!read_options(out, argc, argv, first) || !write_graph(out, argc - first, argv + first)) {
        std::fputs(usage, stderr);
        return 2;
    }
    put_trailer(out);
    flush(out);
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::perror("make_graph: write");
        return 1;
    }
    return 0;
}
