// Fuzz target: a Pajek network made from the bytes (*Vertices, vertex lines,
// link, list and matrix sections, comments, and sections that end it), whose
// labels must be those of the network it was made from, or whose refusal
// must name the line at fault; and the bytes themselves read as Pajek, which
// must read or be refused.
#include <cstdint>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_graph_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

namespace {

using ugraph::fuzz::root;

// The fuzz bytes, taken one at a time; zeros once they run out.
struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

unsigned take(Bytes& b, unsigned choices) {
    return b.at < b.size ? b.data[b.at++] % choices : 0;
}

template <typename T, std::size_t N> const T& pick(Bytes& b, const T (&choices)[N]) {
    return choices[take(b, N)];
}

// The text being made and the network it holds, as the reader should see it.
struct Pajek {
    Bytes bytes;
    std::string text;
    std::uint64_t line; // of the line being made
    std::uint64_t nodes;
    std::uint64_t rows; // of a two-mode network, its first mode; 0 otherwise
    std::vector<std::pair<std::uint64_t, std::uint64_t>> links;
    std::uint64_t faultLine; // of the first fault, 0 for none
    std::string fault;
};

// A fault on the line last made.
void fault(Pajek& g, const std::string& message) {
    if (g.faultLine == 0) {
        g.faultLine = g.line - 1;
        g.fault = message;
    }
}

void link(Pajek& g, std::uint64_t a, std::uint64_t b) {
    if (g.faultLine == 0) {
        g.links.emplace_back(a, b);
    }
}

// Ends the line being made, with LF or CR LF.
void end_line(Pajek& g) {
    g.text += take(g.bytes, 3) == 0 ? "\r\n" : "\n";
    g.line++;
}

void put_line(Pajek& g, const std::string& s) {
    g.text += s;
    end_line(g);
}

// The blanks between words, and before a line's first word.
std::string gap(Pajek& g, bool leading) {
    static const char* const gaps[] = {" ", "\t", "  ", " \t", "\f", "\v", ""};
    return gaps[take(g.bytes, leading ? 7 : 6)];
}

// Lines read as nothing: blank ones and % comments.
void filler(Pajek& g) {
    static const char* const lines[] = {"", "   ", "% a comment", "  % *Edges", "\t%"};
    for (unsigned n = take(g.bytes, 6) < 4 ? 0 : 1 + take(g.bytes, 2); n > 0; n--) {
        put_line(g, pick(g.bytes, lines));
    }
}

// A node number's word: usually one of 1 to the order, at times one that is not.
std::string node_word(Pajek& g) {
    const unsigned how = take(g.bytes, 32);
    const std::string n = std::to_string(1 + take(g.bytes, 256) % (g.nodes != 0 ? g.nodes : 1));
    const std::string words[] = {
        "0", std::to_string(g.nodes + 1), "x", "12345678901234567890", "-1", "1.0"};
    return how < 6 ? words[how] : how < 9 ? "00" + n : n;
}

// The reference's reading of a node number: false, with the fault, when it is none.
bool node_number(Pajek& g, const std::string& w, std::uint64_t& value) {
    if (w.empty() || w.find_first_not_of("0123456789") != std::string::npos) {
        fault(g, "'" + w + "' is not a node number");
        return false;
    }
    const std::size_t zeros = w.find_first_not_of('0');
    const std::string digits = zeros == std::string::npos ? "0" : w.substr(zeros);
    value = digits.size() > 19 ? 0 : std::stoull(digits);
    if (digits.size() > 19 || value > std::uint64_t{INT64_MAX} || value < 1 || value > g.nodes) {
        fault(g, "node " + w + " is outside 1 to " + std::to_string(g.nodes));
        return false;
    }
    return true;
}

// A line of words, blanks between them.
void put_words(Pajek& g, const std::vector<std::string>& words, const std::string& tail) {
    std::string line = gap(g, true);
    for (std::size_t k = 0; k < words.size(); k++) {
        line += (k == 0 ? "" : gap(g, false)) + words[k];
    }
    put_line(g, line + tail);
}

// *Edges or *Arcs: a b, and perhaps a weight and more; at times a alone.
void pairs(Pajek& g) {
    static const char* const heads[] = {
        "*Edges",    "*Arcs",   "*edges", "*ARCS", "*Arcs :2 \"likes\"",
        "*Edges :1", "*Arcs:3", " *Edges"};
    static const char* const tails[] = {"", " 1.5", " 2 c Red", " x", "\t0 % not a comment"};
    put_line(g, pick(g.bytes, heads));
    for (unsigned n = take(g.bytes, 6); n > 0; n--) {
        filler(g);
        std::vector<std::string> words{node_word(g)};
        if (take(g.bytes, 24) != 0) {
            words.push_back(node_word(g));
        }
        put_words(g, words, words.size() == 2 ? pick(g.bytes, tails) : "");
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        if (!node_number(g, words[0], a)) {
            continue;
        }
        if (words.size() < 2) {
            fault(g, "a link line must give two node numbers");
        } else if (node_number(g, words[1], b)) {
            link(g, a, b);
        }
    }
}

// *Edgeslist or *Arcslist: a b c ..., a to each; a alone links nothing.
void lists(Pajek& g) {
    static const char* const heads[] = {"*Edgeslist", "*Arcslist", "*arcslist", "*EDGESLIST",
                                        "*Arcslist :2"};
    put_line(g, pick(g.bytes, heads));
    for (unsigned n = take(g.bytes, 5); n > 0; n--) {
        filler(g);
        std::vector<std::string> words{node_word(g)};
        for (unsigned k = take(g.bytes, 5); k > 0; k--) {
            words.push_back(node_word(g));
        }
        put_words(g, words, "");
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        for (std::size_t k = 1; node_number(g, words[0], a) && k < words.size(); k++) {
            if (!node_number(g, words[k], b)) {
                break;
            }
            link(g, a, b);
        }
    }
}

// A matrix entry: its text, whether it is one, and whether it is zero.
struct Entry {
    const char* text;
    bool entry;
    bool zero;
};

// *Matrix: row by row, a non-zero in column j linking the row to j, or
// of a two-mode network to the second mode's j-th node.
void matrix(Pajek& g) {
    static const char* const heads[] = {"*Matrix", "*matrix", "*Matrix :1"};
    static const Entry entries[] = {
        {"0", true, true},    {"0", true, true},       {"1", true, false},   {"0.0", true, true},
        {"2.5", true, false}, {"-0", true, true},      {"0e3", true, true},  {"1e-3", true, false},
        {"-1", true, false},  {"+0.0", true, true},    {".5", true, false},  {"0.", true, true},
        {"00", true, true},   {"7", true, false},      {"x", false, false},  {"1,5", false, false},
        {"nan", true, false}, {"1e-400", true, false}, {"0x0", true, true},  {"0x1p3", true, false},
        {"inf", true, false}, {"-0e-0", true, true},   {"e1", false, false}, {"1e", false, false}};
    put_line(g, pick(g.bytes, heads));
    const std::uint64_t rows = g.rows != 0 ? g.rows : g.nodes;
    const std::uint64_t columns = g.nodes - g.rows;
    std::uint64_t row = 0;
    for (unsigned n = take(g.bytes, static_cast<unsigned>(rows) + 2); n > 0; n--) {
        filler(g);
        std::vector<std::string> words;
        const unsigned count = take(g.bytes, static_cast<unsigned>(columns) + 2);
        std::vector<const Entry*> row_entries;
        for (unsigned k = 0; k < count; k++) {
            row_entries.push_back(&entries[take(g.bytes, std::size(entries))]);
            words.emplace_back(row_entries.back()->text);
        }
        put_words(g, words, "");
        if (count == 0) {
            continue; // a blank line, no row
        }
        if (++row > rows) {
            fault(g, "the matrix has more rows than its " + std::to_string(rows));
        }
        for (std::uint64_t k = 0; k < count && row <= rows; k++) {
            if (!row_entries[k]->entry) {
                fault(g, "'" + words[k] + "' is not a matrix entry");
                break;
            }
            if (k + 1 > columns) {
                fault(g, "the matrix row has more columns than its " + std::to_string(columns));
                break;
            }
            if (!row_entries[k]->zero) {
                link(g, row, g.rows + k + 1);
            }
        }
    }
}

// Vertex lines, read for nothing.
void vertex_lines(Pajek& g) {
    static const char* const lines[] = {
        "1 \"a b\" 0.1 0.2 0.5",        "2 \"c\" box ic Red", "3", "x y z",
        "99999999999999999999 \"far\"", "  4\t\"d\""};
    for (unsigned n = take(g.bytes, 4); n > 0; n--) {
        filler(g);
        put_line(g, pick(g.bytes, lines));
    }
}

// The head: comments, perhaps *Network, and *Vertices N [N1]; false when it is refused.
bool head(Pajek& g) {
    static const char* const networks[] = {"*Network test", "*network", "*NETWORK \"a b\"",
                                           " *Network"};
    static const char* const vertices[] = {"*Vertices", "*vertices", "*VERTICES", " *Vertices"};
    filler(g);
    const unsigned how = take(g.bytes, 32);
    if (how < 12) {
        put_line(g, pick(g.bytes, networks));
        filler(g);
    }
    if (how == 0 || how == 1) {
        put_line(g, how == 0 ? "*Network again" : "1 2");
        fault(g, "a Pajek network begins with *Vertices N");
        return false;
    }
    g.nodes = take(g.bytes, 24);
    g.rows = take(g.bytes, 4) == 0 ? take(g.bytes, static_cast<unsigned>(g.nodes) + 1) : 0;
    std::string line = pick(g.bytes, vertices);
    line += gap(g, false) + (how == 2 ? "0" : "") + std::to_string(g.nodes);
    line += g.rows != 0 || how == 3 ? " " + std::to_string(how == 3 ? g.nodes + 1 : g.rows) : "";
    put_line(g, how == 4 ? "*Vertices" : line);
    if (how == 3 || how == 4) {
        fault(g, "*Vertices must give the number of nodes");
        return false;
    }
    vertex_lines(g);
    return true;
}

// A section that ends the network, and lines after it that would be wrong.
void end_section(Pajek& g) {
    static const char* const heads[] = {
        "*Partition p", "*Vector v", "*Network second", "*Vertices 3", "*", "*Edgesx", "*Clusters"};
    put_line(g, pick(g.bytes, heads));
    put_line(g, "1 99999");
    put_line(g, "*Edges");
    put_line(g, "x y");
}

void make_text(Pajek& g) {
    if (!head(g)) {
        return;
    }
    for (unsigned n = 0; n < 8 && g.bytes.at < g.bytes.size; n++) {
        const unsigned kind = take(g.bytes, 13);
        if (kind < 4) {
            pairs(g);
        } else if (kind < 7) {
            lists(g);
        } else if (kind < 10) {
            matrix(g);
        } else if (kind < 12) {
            filler(g);
        } else {
            end_section(g);
            return;
        }
    }
    if (!g.text.empty() && take(g.bytes, 4) == 0) {
        g.text.pop_back(); // the last line without its line end
    }
}

std::string labels_of(const Pajek& g) {
    std::vector<std::size_t> parent(g.nodes + 1);
    std::iota(parent.begin(), parent.end(), 0);
    for (const auto& [a, b] : g.links) {
        parent[root(parent, a)] = root(parent, b);
    }
    std::map<std::size_t, std::size_t> number;
    std::string out;
    for (std::uint64_t n = 1; n <= g.nodes; n++) {
        const std::size_t k = number.emplace(root(parent, n), number.size() + 1).first->second;
        out += std::to_string(n) + "\t" + std::to_string(k) + "\n";
    }
    return out;
}

void check_made(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    Pajek g{};
    g.bytes = Bytes{data, size, 0};
    g.line = 1;
    make_text(g);
    const fuzz::FileRun run =
        fuzz::run_graph_file(g.text, fuzz::labels_options(InputChoice::pajek, 1, 0));
    fuzz::check_reading(run, g.faultLine, g.fault, g.faultLine != 0 ? "" : labels_of(g));
}

// Any bytes: read, or refused with one message.
void check_raw(const std::uint8_t* data, std::size_t size, ugraph::InputChoice input) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const ugraph::fuzz::FileRun run =
        ugraph::fuzz::run_graph_file(bytes, ugraph::fuzz::labels_options(input, 1, 0));
    ugraph::fuzz::check_read_or_refused(run);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_made(data, size);
    check_raw(data, size, ugraph::InputChoice::pajek);
    return 0;
}
