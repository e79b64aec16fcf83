// Fuzz target: any bytes as an edge list, read with numbers and with names, on
// 1, 2 or 8 threads; the labels must be those of a reference reading done here,
// or the error the reference finds.
#include <algorithm>
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
using Ids = std::vector<std::string>;

// The reference: every id as read, in file order; a link joins two of them;
// `error` is the message, empty when the file reads.
struct Reading {
    Ids ids;
    std::vector<std::pair<std::size_t, std::size_t>> links;
    std::string error;
};

bool separates(char c) {
    return c == ' ' || c == '\t' || c == ',';
}

std::string one_line(const std::string& field) {
    std::string shown = field;
    for (char& c : shown) {
        c = static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return shown;
}

// One field at `at`; false with the message when it is refused.
bool field(const std::string& line, std::size_t& at, bool names, std::string& id,
           std::string& error) {
    if (at == line.size() || line[at] == ',') {
        error = "empty node id";
        return false;
    }
    if (names && line[at] == '"') {
        id.clear();
        for (at++;; at++) {
            if (at == line.size()) {
                error = "unclosed quote";
                return false;
            }
            if (line[at] == '"' && at + 1 < line.size() && line[at + 1] == '"') {
                id += '"';
                at++;
            } else if (line[at] == '"') {
                break;
            } else {
                id += line[at];
            }
        }
        at++;
        if (at < line.size() && !separates(line[at])) {
            error = "unclosed quote";
            return false;
        }
        error = id.empty() ? "empty node id" : "";
        return !id.empty();
    }
    const std::size_t start = at;
    while (at < line.size() && !separates(line[at])) {
        at++;
    }
    id = line.substr(start, at - start);
    if (names) {
        return true;
    }
    const bool digits =
        std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        error = "'" + one_line(id) + "' is not a node number (use --ids=names)";
        return false;
    }
    const std::size_t lead = std::min(id.find_first_not_of('0'), id.size());
    const std::string significant = id.substr(lead);
    if (significant.size() > 19 ||
        (significant.size() == 19 && significant > "9223372036854775807")) {
        error = "node number " + id + " is too large";
        return false;
    }
    id = significant.empty() ? "0" : significant;
    return true;
}

bool skipped(const std::string& line, std::size_t& at) {
    at = line.find_first_not_of(" \t");
    return at == std::string::npos || line[at] == '#' || line[at] == '%';
}

bool first_is_number(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::size_t at = 0;
        if (skipped(line, at)) {
            continue;
        }
        std::size_t end = at;
        while (end < line.size() && line[end] >= '0' && line[end] <= '9') {
            end++;
        }
        return end == at ? line[at] == ',' : end == line.size() || separates(line[end]);
    }
    return true;
}

Reading read(const std::vector<std::string>& lines, bool names) {
    Reading r;
    for (std::size_t n = 0; n < lines.size(); n++) {
        const std::string& line = lines[n];
        std::size_t at = 0;
        std::string a;
        std::string b;
        if (skipped(line, at)) {
            continue;
        }
        bool ok = field(line, at, names, a, r.error);
        at = ok ? std::min(line.find_first_not_of(" \t", at), line.size()) : at;
        const bool linked = ok && at < line.size();
        if (linked && line[at] == ',') {
            at = std::min(line.find_first_not_of(" \t", at + 1), line.size());
        }
        ok = ok && (!linked || field(line, at, names, b, r.error));
        if (!ok) {
            r.error = "ugraph: g:" + std::to_string(n + 1) + ": " + r.error + "\n";
            return r;
        }
        r.ids.push_back(a);
        if (linked) {
            r.links.emplace_back(r.ids.size() - 1, r.ids.size());
            r.ids.push_back(b);
        }
    }
    return r;
}

// Labels as the reading gives them: nodes ascending or by first appearance,
// components numbered by their first node.
std::string labels_of(const Reading& r, bool names) {
    Ids order;
    std::map<std::string, std::size_t> place;
    for (const std::string& id : r.ids) {
        if (place.emplace(id, order.size()).second) {
            order.push_back(id);
        }
    }
    if (!names) {
        std::sort(order.begin(), order.end(), [](const std::string& x, const std::string& y) {
            return x.size() != y.size() ? x.size() < y.size() : x < y;
        });
        for (std::size_t i = 0; i < order.size(); i++) {
            place[order[i]] = i;
        }
    }
    std::vector<std::size_t> parent(order.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (const auto& [a, b] : r.links) {
        parent[root(parent, place[r.ids[a]])] = root(parent, place[r.ids[b]]);
    }
    std::map<std::size_t, std::size_t> number;
    std::string out;
    for (std::size_t i = 0; i < order.size(); i++) {
        const std::size_t k = number.emplace(root(parent, i), number.size() + 1).first->second;
        out += order[i] + "\t" + std::to_string(k) + "\n";
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    if (size == 0) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const IdChoice ids[] = {IdChoice::from_file, IdChoice::numbers, IdChoice::names};
    const std::uint32_t threads[] = {1, 2, 8};
    const std::vector<std::string> lines = lines_of(text);
    const IdChoice choice = ids[data[0] % 3];
    const bool names =
        choice == IdChoice::from_file ? !first_is_number(lines) : choice == IdChoice::names;
    const Reading expected = read(lines, names);
    GraphFileOptions options = fuzz::labels_options(InputChoice::edges, threads[data[0] / 3 % 3],
                                                    1U + data[0] / 9 % 8 * 8);
    options.dialect.ids = choice;
    const fuzz::FileRun run = fuzz::run_graph_file(text, options);
    if (!expected.error.empty()) {
        FUZZ_CHECK(run.status == 1 && run.out.empty() && run.err == expected.error);
    } else {
        FUZZ_CHECK(run.status == 0 && run.err.empty() && run.out == labels_of(expected, names));
    }
    return 0;
}
