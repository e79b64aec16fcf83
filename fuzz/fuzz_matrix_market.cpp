// Fuzz target: any bytes after a Matrix Market banner, read as a coordinate
// matrix on 1, 2 or 8 threads; the labels must be those of a reference
// reading done here, or the run must be refused at the line the reference
// finds wrong.
#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
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

// The digits of a number after its leading zeros, which add nothing.
std::string significant(const std::string& digits) {
    const std::size_t zeros = digits.find_first_not_of('0');
    return zeros == std::string::npos ? "0" : digits.substr(zeros);
}

// A whole decimal number below 2^63, as the reader takes counts and sizes.
bool number(const std::string& word, std::uint64_t& value) {
    if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos ||
        significant(word).size() > 19) {
        return false;
    }
    value = std::stoull(significant(word));
    return value <= std::uint64_t{INT64_MAX};
}

// The reference: 0 and the labels when the file reads, or the line at fault.
struct Reading {
    std::uint64_t faultLine = 0;
    std::string labels;
};

std::string labels_of(std::uint64_t nodes,
                      const std::vector<std::pair<std::uint64_t, std::uint64_t>>& links) {
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

// A row or a column: up to 18 digits after any leading zeros, then a blank, a tab or the line's
// end.
bool entry_number(const std::string& line, std::size_t& at, std::uint64_t& value) {
    const std::size_t start = at;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
        at++;
    }
    const bool ends = at == line.size() || line[at] == ' ' || line[at] == '\t';
    const std::string digits = line.substr(start, at - start);
    return ends && significant(digits).size() <= 18 && number(digits, value);
}

// An entry: a row and a column, blanks between, any values after.
bool entry(const std::string& line, std::uint64_t& i, std::uint64_t& j) {
    std::size_t at = line.find_first_not_of(" \t");
    if (!entry_number(line, at, i)) {
        return false;
    }
    at = std::min(line.find_first_not_of(" \t", at), line.size());
    return entry_number(line, at, j);
}

Reading read(const std::vector<std::string>& lines) {
    Reading r;
    const Words banner = lines.empty() ? Words{} : words_of(lines[0]);
    static const Words fields = {"real", "complex", "integer", "pattern"};
    static const Words symmetries = {"general", "symmetric", "skew-symmetric", "hermitian"};
    const auto lower = [](std::string w) {
        std::transform(w.begin(), w.end(), w.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
        return w;
    };
    if (banner.size() != 5 || banner[0] != "%%MatrixMarket" || lower(banner[1]) != "matrix" ||
        lower(banner[2]) != "coordinate" ||
        std::find(fields.begin(), fields.end(), lower(banner[3])) == fields.end() ||
        std::find(symmetries.begin(), symmetries.end(), lower(banner[4])) == symmetries.end()) {
        r.faultLine = 1;
        return r;
    }
    std::size_t n = 1;
    while (n < lines.size() && (lines[n].rfind('%', 0) == 0 || words_of(lines[n]).empty())) {
        n++;
    }
    std::uint64_t rows = 0;
    std::uint64_t columns = 0;
    std::uint64_t entries = 0;
    const Words size = n < lines.size() ? words_of(lines[n]) : Words{};
    if (size.size() != 3 || !number(size[0], rows) || !number(size[1], columns) ||
        !number(size[2], entries)) {
        r.faultLine = n + 1;
        return r;
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> links;
    for (std::size_t k = n + 1; k < lines.size(); k++) {
        const std::size_t first = lines[k].find_first_not_of(" \t");
        if (first == std::string::npos || lines[k][first] == '%') {
            continue;
        }
        std::uint64_t i = 0;
        std::uint64_t j = 0;
        if (!entry(lines[k], i, j) || i < 1 || i > rows || j < 1 || j > columns) {
            r.faultLine = k + 1;
            return r;
        }
        links.emplace_back(i, j);
    }
    if (links.size() != entries) {
        r.faultLine = n + 1;
        return r;
    }
    r.labels = labels_of(std::max(rows, columns), links);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    if (size == 0) {
        return 0;
    }
    // Rows and columns stay small, so that the reference can list every node.
    std::string text = "%%MatrixMarket matrix coordinate pattern general\n";
    text.append(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<std::string> lines = lines_of(text);
    std::size_t sizeLine = 1;
    while (sizeLine < lines.size() &&
           (lines[sizeLine].rfind('%', 0) == 0 || words_of(lines[sizeLine]).empty())) {
        sizeLine++;
    }
    const Words sizes = sizeLine < lines.size() ? words_of(lines[sizeLine]) : Words{};
    std::uint64_t rows = 0;
    std::uint64_t columns = 0;
    if (sizes.size() == 3 && number(sizes[0], rows) && number(sizes[1], columns) &&
        std::max(rows, columns) > 100000) {
        return 0; // too many nodes to list here
    }
    const Reading expected = read(lines);
    const fuzz::FileRun run = fuzz::run_graph_file(
        text, fuzz::labels_options(InputChoice::mtx, std::uint32_t{1} << (data[0] % 4),
                                   1U + data[0] / 4 % 32));
    // The banner rules out every signature but a tar archive's, at offset 257.
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
