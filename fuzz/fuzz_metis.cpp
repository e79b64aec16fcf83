// Fuzz target: any bytes after a comment line, read as a METIS graph file;
// the labels must be those of a reference reading done here, or the run
// must be refused at the line the reference finds wrong.
#include <cstdint>
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

using ugraph::fuzz::lines_of;
using ugraph::fuzz::root;
using Words = std::vector<std::string>;

Words words_of(const std::string& line) {
    Words words;
    std::string word;
    for (const char c : line + " ") {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

// A whole decimal number below 2^63, leading zeros adding nothing.
bool number(const std::string& word, std::uint64_t& value) {
    if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const std::size_t zeros = word.find_first_not_of('0');
    const std::string digits = zeros == std::string::npos ? "0" : word.substr(zeros);
    if (digits.size() > 19) {
        return false;
    }
    value = std::stoull(digits);
    return value <= std::uint64_t{INT64_MAX};
}

bool comment(const std::string& line) {
    return line.rfind('%', 0) == 0;
}

using Links = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

std::string labels_of(std::uint64_t nodes, const Links& links) {
    std::vector<std::size_t> parent(nodes + 1);
    std::iota(parent.begin(), parent.end(), 0);
    for (const auto& [a, b] : links) {
        parent[root(parent, a)] = root(parent, b);
    }
    std::map<std::size_t, std::size_t> number;
    std::string out;
    for (std::uint64_t n = 1; n <= nodes; n++) {
        const std::size_t k = number.emplace(root(parent, n), number.size() + 1).first->second;
        out += std::to_string(n) + "\t" + std::to_string(k) + "\n";
    }
    return out;
}

struct Header {
    std::uint64_t nodes = 0;
    std::uint64_t links = 0;
    std::uint64_t skipped = 0; // fields before a line's neighbours
    bool linkWeights = false;
};

// n m [fmt [ncon]]: fmt up to three digits 0 or 1, ncon only with vertex weights.
bool header_of(const Words& w, Header& h) {
    if (w.size() < 2 || w.size() > 4 || !number(w[0], h.nodes) || !number(w[1], h.links)) {
        return false;
    }
    const std::string fmt = w.size() > 2 ? w[2] : "0";
    if (fmt.size() > 3 || fmt.find_first_not_of("01") != std::string::npos) {
        return false;
    }
    const std::string digits = std::string(3 - fmt.size(), '0') + fmt;
    std::uint64_t ncon = digits[1] == '1' ? 1 : 0;
    if (w.size() == 4 && (digits[1] != '1' || !number(w[3], ncon))) {
        return false;
    }
    h.skipped = (digits[0] == '1' ? 1 : 0) + ncon;
    h.linkWeights = digits[2] == '1';
    return true;
}

// The reference: 0 and the labels when the file reads, or the line at fault.
struct Reading {
    std::uint64_t faultLine = 0;
    std::string labels;
};

// Links (i, j), i < j, listed from line i and not yet from line j: how often, and line i.
using Waiting = std::map<std::pair<std::uint64_t, std::uint64_t>, std::pair<int, std::size_t>>;

// One node line, number `line` from 1; false at a fault.
bool node_line(const Words& w, const Header& h, std::uint64_t i, std::size_t line, Waiting& waiting,
               Links& links) {
    if (w.size() < h.skipped) {
        return false;
    }
    for (std::size_t k = h.skipped; k < w.size(); k += h.linkWeights ? 2 : 1) {
        std::uint64_t j = 0;
        if (!number(w[k], j) || j < 1 || j > h.nodes || (h.linkWeights && k + 1 == w.size())) {
            return false;
        }
        if (j >= i) {
            links.emplace_back(i, j);
            if (j > i) {
                waiting[{i, j}].first++;
                waiting[{i, j}].second = line;
            }
            continue;
        }
        const auto found = waiting.find({j, i});
        if (found == waiting.end()) {
            return false;
        }
        if (--found->second.first == 0) {
            waiting.erase(found);
        }
    }
    return true;
}

Reading read(const std::vector<std::string>& lines, const Header& h, std::size_t at) {
    Reading r;
    Waiting waiting;
    Links links;
    std::uint64_t node = 0;
    for (std::size_t k = at + 1; k < lines.size(); k++) {
        const Words w = words_of(lines[k]);
        if (comment(lines[k]) || (node == h.nodes && w.empty())) {
            continue;
        }
        if (node == h.nodes || !node_line(w, h, ++node, k + 1, waiting, links)) {
            r.faultLine = k + 1;
            return r;
        }
    }
    std::size_t first = 0;
    for (const auto& w : waiting) {
        first = first == 0 || w.second.second < first ? w.second.second : first;
    }
    r.faultLine = first != 0 ? first : node != h.nodes || links.size() != h.links ? at + 1 : 0;
    r.labels = r.faultLine == 0 ? labels_of(h.nodes, links) : "";
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    // The comment line first keeps magic bytes and byte-order marks from the
    // text's start; carriage returns, which may turn into line ends, are left out.
    std::string text = "% metis\n";
    for (std::size_t k = 0; k < size; k++) {
        if (data[k] != '\r') {
            text += static_cast<char>(data[k]);
        }
    }
    const std::vector<std::string> lines = lines_of(text);
    std::size_t at = 0;
    while (at < lines.size() && comment(lines[at])) {
        at++;
    }
    Header h;
    const bool header = at < lines.size() && header_of(words_of(lines[at]), h);
    if (header && h.nodes > 100000) {
        return 0; // too many nodes to list here
    }
    Reading expected;
    if (header) {
        expected = read(lines, h, at);
    } else {
        expected.faultLine = at + 1;
    }
    const fuzz::FileRun run =
        fuzz::run_graph_file(text, fuzz::labels_options(InputChoice::metis, 1, 0));
    const char* binary = text.size() >= 262 && text.compare(257, 5, "ustar") == 0 ? "a tar archive"
                         : text.substr(0, 1U << 16).find('\0') != std::string::npos ? "binary data"
                                                                                    : nullptr;
    if (binary != nullptr) {
        FUZZ_CHECK(run.status == 1 && run.out.empty() &&
                   run.err == "ugraph: g: not a graph file (" + std::string(binary) + ")\n");
    } else {
        fuzz::check_reading(run, expected.faultLine, "", expected.labels);
    }
    return 0;
}
