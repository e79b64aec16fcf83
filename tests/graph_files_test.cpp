// Graph files of any size: every format against a reference computed here,
// the same results on any number of threads, and every refusal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "graph_files_run.h"
#include "scratch_dir.h"
#include "system_calls.h"

namespace ugraph::testing {
namespace {

Outcome run_text(const std::string& text, FileFormat format, IdChoice ids = IdChoice::from_file,
                 std::uint32_t threads = 2, std::uint64_t blockSize = 0) {
    ScratchDir dir;
    ScratchDir::write("g.txt", text);
    return run_files({"g.txt"}, options_of(format, ids, threads, blockSize));
}

// The reference: ids as the test wrote them, links as pairs of ids.
struct Graph {
    bool names = false;
    std::vector<std::string> order;           // the nodes in the file's order
    std::map<std::string, std::size_t> place; // id -> place in `order`
    std::vector<std::pair<std::size_t, std::size_t>> links;
    std::vector<std::size_t> alone; // nodes written alone on a line
};

std::string number_text(std::uint64_t id) {
    return std::to_string(id);
}

// The reference's places of a file's ids: numbers ascending, names by
// first appearance; the links and lone nodes, given as places in `ids`, then
// become places in the order.
void place_ids(const std::vector<std::string>& ids, bool names, Graph& g) {
    std::vector<std::string> order = ids;
    if (names) {
        std::set<std::string> met;
        order.clear();
        for (const std::string& id : ids) {
            if (met.insert(id).second) {
                order.push_back(id);
            }
        }
    } else {
        std::sort(order.begin(), order.end(), [](const std::string& x, const std::string& y) {
            return std::stoull(x) < std::stoull(y);
        });
        order.erase(std::unique(order.begin(), order.end()), order.end());
    }
    g.names = names;
    g.order = order;
    for (std::size_t i = 0; i < order.size(); i++) {
        g.place[order[i]] = i;
    }
    for (auto& [a, b] : g.links) {
        a = g.place[ids[a]];
        b = g.place[ids[b]];
    }
    for (std::size_t& a : g.alone) {
        a = g.place[ids[a]];
    }
}

// A random graph written in every form an edge list of one separator may
// take (blanks, ',' or ';'); `g` gets the reference. Numbers are small,
// huge, repeated, and with `wide` also on both sides of 2^22; names hold
// blanks, commas and quotes.
std::string random_file(std::mt19937_64& random, bool names, bool wide, std::size_t links, Graph& g,
                        char separator = ' ') {
    std::vector<std::string> pool;
    const std::size_t distinct = 1 + random() % (2 * links + 1);
    for (std::size_t i = 0; i < distinct; i++) {
        const std::uint64_t kind = random() % 4;
        const std::uint64_t id = kind == 0 ? random() % 50
                                 : kind == 1
                                     ? (wide ? (1U << 22) - 3 + random() % 6 : random() % 500)
                                 : kind == 2 ? (1ULL << 63) - 1 - random() % 3
                                             : random() >> 1;
        pool.push_back(names ? "n" + number_text(id) + (kind == 3 ? " x,\"y\"" : "")
                             : number_text(id));
    }
    std::vector<std::string> ids; // the file's ids in order, to place them
    std::string text = names ? "" : "% a comment\n";
    const auto field = [&](const std::string& id) {
        ids.push_back(id);
        if (names && id.find_first_of(" ,\"") != std::string::npos) {
            std::string quoted = "\"";
            for (char c : id) {
                quoted += c == '"' ? "\"\"" : std::string(1, c);
            }
            return quoted + "\"";
        }
        return names || random() % 5 != 0 ? id : "00" + id;
    };
    // With blanks, a comma may separate too, but not on the first line,
    // which would make the file comma-separated.
    const std::string sep(1, separator);
    const bool blanks = separator == ' ';
    const std::vector<std::string> separators =
        blanks ? std::vector<std::string>{" ", "\t", "  ", ",", " , "}
               : std::vector<std::string>{sep, " " + sep + " ", "\t" + sep};
    const std::vector<std::string> ends =
        blanks
            ? std::vector<std::string>{"\n", "\r\n", "\t\n", " 0.5\n", ",7,x\n"}
            : std::vector<std::string>{"\n", "\r\n", " \n", sep + "0.5\n", sep + "7" + sep + "x\n"};
    const std::size_t plain = blanks ? 3 : separators.size(); // the first line's choices
    for (std::size_t k = 0; k < links; k++) {
        const std::string& a = pool[random() % pool.size()];
        const std::string& b = random() % 8 == 0 ? a : pool[random() % pool.size()];
        if (random() % 10 == 0) {
            text += random() % 2 == 0 ? "\n" : "  # skipped\n";
        }
        if (random() % 12 == 0 && !g.links.empty()) {
            text += " " + field(a) + "\n";
            g.alone.push_back(ids.size() - 1);
            continue;
        }
        const std::size_t choices = g.links.empty() ? plain : separators.size();
        text += field(a);
        text += separators[random() % choices];
        text += field(b);
        text += ends[random() % (g.links.empty() ? 3 : ends.size())];
        g.links.emplace_back(ids.size() - 2, ids.size() - 1);
    }
    place_ids(ids, names, g);
    return text;
}

// Components by depth-first search, neighbors taken in order: each
// component's nodes in preorder, and every node's component number.
struct Found {
    std::vector<std::vector<std::size_t>> components;
    std::vector<std::size_t> componentOf;
};

Found search(const Graph& g) {
    std::vector<std::vector<std::size_t>> next(g.order.size());
    for (const auto& [a, b] : g.links) {
        next[a].push_back(b);
        next[b].push_back(a);
    }
    for (auto& n : next) {
        std::sort(n.begin(), n.end());
    }
    Found f;
    f.componentOf.assign(g.order.size(), 0);
    for (std::size_t start = 0; start < g.order.size(); start++) {
        if (f.componentOf[start] != 0) {
            continue;
        }
        f.components.emplace_back();
        std::vector<std::size_t> path{start};
        f.componentOf[start] = f.components.size();
        f.components.back().push_back(start);
        while (!path.empty()) {
            const auto& n = next[path.back()];
            const auto it = std::find_if(n.begin(), n.end(),
                                         [&f](std::size_t u) { return f.componentOf[u] == 0; });
            if (it == n.end()) {
                path.pop_back();
                continue;
            }
            f.componentOf[*it] = f.components.size();
            f.components.back().push_back(*it);
            path.push_back(*it);
        }
    }
    return f;
}

std::string expected(const Graph& g, FileFormat format) {
    const Found f = search(g);
    const std::string links = std::to_string(g.links.size());
    // Names hold no byte but `"` that JSON or DOT would escape.
    const std::string quote = format == FileFormat::json ? "\\\"" : "&quot;";
    const auto quoted = [&g, &quote](std::size_t r) {
        if (!g.names) {
            return g.order[r];
        }
        std::string q = "\"";
        for (char c : g.order[r]) {
            q += c == '"' ? quote : std::string(1, c);
        }
        return q + "\"";
    };
    std::string out;
    if (format == FileFormat::summary) {
        std::size_t largest = 0;
        for (const auto& c : f.components) {
            largest = std::max(largest, c.size());
        }
        const auto count = [](std::size_t n, const char* noun) {
            return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
        };
        return "g.txt  " + count(g.order.size(), "node") + "  " + count(g.links.size(), "link") +
               "  " + count(f.components.size(), "component") + "  largest " +
               std::to_string(largest) + "\n";
    }
    if (format == FileFormat::labels) {
        for (std::size_t r = 0; r < g.order.size(); r++) {
            out += g.order[r] + "\t" + std::to_string(f.componentOf[r]) + "\n";
        }
        return out;
    }
    if (format == FileFormat::text) {
        out =
            "Ufile g.txt     " + std::to_string(g.order.size()) + " Nodes   " + links + " Links\n";
        for (std::size_t k = 0; k < f.components.size(); k++) {
            out += "Component #" + std::to_string(k + 1) + ":  ";
            for (std::size_t r : f.components[k]) {
                out += g.order[r] + " ";
            }
            out += "\n";
        }
        out += "\nLocation of (nodes) in components\n";
        for (std::size_t r = 0; r < g.order.size(); r++) {
            out += "(" + g.order[r] + ")" + std::to_string(f.componentOf[r]) + " ";
        }
        return out + "\n\n";
    }
    if (format == FileFormat::json) {
        out = "{\"name\": \"g.txt\", \"nodes\": " + std::to_string(g.order.size()) +
              ", \"links\": " + links + ", \"components\": [";
        for (std::size_t k = 0; k < f.components.size(); k++) {
            out += k == 0 ? "[" : ", [";
            for (std::size_t i = 0; i < f.components[k].size(); i++) {
                out += (i == 0 ? "" : ", ") + quoted(f.components[k][i]);
            }
            out += "]";
        }
        return out + "]}\n";
    }
    out = "graph {\n  label=<g.txt>;\n";
    for (std::size_t k = 0; k < f.components.size(); k++) {
        out += "  subgraph cluster_" + std::to_string(k + 1) + " {\n    label=\"Component #" +
               std::to_string(k + 1) + "\";\n   ";
        for (std::size_t r : f.components[k]) {
            out += " " + quoted(r) + ";";
        }
        out += "\n  }\n";
    }
    std::vector<std::pair<std::size_t, std::size_t>> sorted;
    for (const auto& [a, b] : g.links) {
        sorted.emplace_back(std::min(a, b), std::max(a, b));
    }
    std::sort(sorted.begin(), sorted.end());
    for (const auto& [a, b] : sorted) {
        out += "  " + quoted(a) + " -- " + quoted(b) + ";\n";
    }
    return out + "}\n";
}

// Random files in both id kinds, read in every format on 1, 2 and 8
// threads, with blocks small enough that lines cross them, or whole.
TEST(GraphFiles, EveryFormatMatchesTheReference) {
    std::mt19937_64 random(7);
    const FileFormat formats[] = {FileFormat::summary, FileFormat::labels, FileFormat::text,
                                  FileFormat::json, FileFormat::dot};
    for (int round = 0; round < 16; round++) {
        Graph g;
        const bool names = round % 2 == 1;
        const char separator = " ,;"[round % 3];
        const std::string text =
            random_file(random, names, round % 4 == 0, 1 + random() % 300, g, separator);
        for (const FileFormat format : formats) {
            const std::string want = expected(g, format);
            for (const auto& [threads, block] :
                 {std::pair<std::uint32_t, std::uint64_t>{1, 0}, {2, 61}, {8, 17}}) {
                const Outcome r = run_text(text, format, IdChoice::from_file, threads, block);
                ASSERT_EQ(r.err, "");
                ASSERT_EQ(r.out, want)
                    << "round " << round << ", format " << static_cast<int>(format) << ", threads "
                    << threads << "\n"
                    << text;
            }
        }
    }
}

// The benchmark's three id kinds of one graph with skewed degrees: dense
// numbers, the same times 1000003 plus 17 (hashed), and names v<id> between
// commas (hashed); `g` gets the reference.
std::string shaped_file(std::mt19937_64& random, int shape, std::size_t nodes, std::size_t links,
                        Graph& g) {
    const auto id_text = [shape](std::uint64_t x) {
        return shape == 0   ? std::to_string(x)
               : shape == 1 ? std::to_string(x * 1000003 + 17)
                            : "v" + std::to_string(x);
    };
    std::vector<std::string> ids;
    std::string text;
    for (std::size_t k = 0; k < links; k++) {
        // The smaller of two draws: low ids are met far more often.
        const std::uint64_t a = std::min(random() % nodes, random() % nodes);
        const std::uint64_t b = random() % nodes;
        ids.push_back(id_text(a));
        ids.push_back(id_text(b));
        text += ids[ids.size() - 2] + (shape == 2 ? "," : " ") + ids.back() + "\n";
        g.links.emplace_back(ids.size() - 2, ids.size() - 1);
    }
    place_ids(ids, shape == 2, g);
    return text;
}

// Every id kind reads alike on 1, 2 and 8 threads, with the real hash and
// with one so weak that most ids collide, and past the first table's size.
TEST(GraphFiles, EveryIdKindOnEveryThreadCount) {
    struct Case {
        int shape;
        std::size_t nodes;
        std::size_t links;
        std::uint64_t hashMask;
    };
    const Case cases[] = {{0, 800, 2000, 0},   {1, 800, 2000, 0},   {2, 800, 2000, 0},
                          {1, 800, 2000, 0x3}, {2, 800, 2000, 0x3}, {1, 20000, 40000, 0},
                          {2, 20000, 40000, 0}};
    std::mt19937_64 random(29);
    for (const Case& c : cases) {
        Graph g;
        const std::string text = shaped_file(random, c.shape, c.nodes, c.links, g);
        const std::string want = expected(g, FileFormat::labels);
        for (const auto& [threads, block] :
             {std::pair<std::uint32_t, std::uint64_t>{1, 0}, {2, 997}, {8, 257}}) {
            ScratchDir dir;
            ScratchDir::write("g.txt", text);
            GraphFileOptions o =
                options_of(FileFormat::labels, IdChoice::from_file, threads, block);
            o.hashMask = c.hashMask;
            const Outcome r = run_files({"g.txt"}, o);
            ASSERT_EQ(r.err, "");
            ASSERT_EQ(r.out, want) << "shape " << c.shape << ", nodes " << c.nodes << ", mask "
                                   << c.hashMask << ", threads " << threads;
        }
    }
}

// A pipe on standard input is read as a stream, by one thread that reads and
// workers that take its blocks: the results are the file's.
TEST(GraphFiles, StreamsReadLikeFiles) {
    std::mt19937_64 random(11);
    for (int round = 0; round < 6; round++) {
        Graph g;
        const std::string text = random_file(random, round % 2 == 1, false, 400, g);
        for (const auto& [threads, block] :
             {std::pair<std::uint32_t, std::uint64_t>{1, 0}, {2, 64}, {8, 7}}) {
            const GraphFileOptions options =
                options_of(FileFormat::text, IdChoice::from_file, threads, block);
            const Outcome r = with_pipe(text, [&options] { return run_files({"-"}, options); });
            std::string want = expected(g, FileFormat::text);
            want.replace(want.find("g.txt"), 5, "-");
            ASSERT_EQ(r.out, want) << "round " << round << ", threads " << threads;
        }
    }
}

// A pass whose threads cannot start reads every block on the calling
// thread, a file's and a stream's alike, and gives the report of one thread.
TEST(GraphFiles, ThreadsThatCannotStart) {
    ScratchDir scratch;
    std::mt19937_64 random(17);
    Graph g;
    const std::string text = random_file(random, true, false, 300, g);
    ScratchDir::write("g.txt", text);
    for (const FileFormat format : {FileFormat::text, FileFormat::labels, FileFormat::edges}) {
        const std::string want =
            run_files({"g.txt"}, options_of(format, IdChoice::from_file, 1)).out;
        const GraphFileOptions options = options_of(format, IdChoice::from_file, 4, 64);
        const auto without_threads = [&options](const char* file) {
            systemCallPlan.noThreads = true;
            const Outcome r = run_files({file}, options);
            systemCallPlan.noThreads = false;
            return r;
        };
        EXPECT_EQ(without_threads("g.txt").out, want);
        const Outcome stream = with_pipe(text, [&] { return without_threads("-"); });
        EXPECT_EQ(stream.out, format == FileFormat::text ? "Ufile -" + want.substr(11) : want);
    }
}

TEST(GraphFiles, SummaryFiguresAndNames) {
    struct Case {
        std::string text;
        std::string line; // after the name
    };
    const Case cases[] = {
        {"", "  0 nodes  0 links  0 components  largest 0\n"},
        {"# only a comment\n\n", "  0 nodes  0 links  0 components  largest 0\n"},
        {"7", "  1 node  0 links  1 component  largest 1\n"},
        {"7 7\n", "  1 node  1 link  1 component  largest 1\n"},
        {"1 2\n2 1\n1 2\n3\n", "  3 nodes  3 links  2 components  largest 2\n"},
        {"a,b\r\nb , c\r\n", "  3 nodes  2 links  1 component  largest 3\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run_text(c.text, FileFormat::summary).out, "g.txt" + c.line) << c.text;
    }
    ScratchDir dir;
    ScratchDir::write("tab\tand\nline", "1 2\n");
    ScratchDir::write("bad", "1 2\n3,\n");
    const Outcome r = run_files({"tab\tand\nline", "missing", "bad", "tab\tand\nline"},
                                options_of(FileFormat::summary));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "tab and line  2 nodes  1 link  1 component  largest 2\n"
                     "tab and line  2 nodes  1 link  1 component  largest 2\n");
    EXPECT_EQ(r.err, "ugraph: missing: No such file or directory\n"
                     "ugraph: bad:2: empty node id\n");
}

// Ids decided by the first id, or by --ids; the same text read both ways.
TEST(GraphFiles, IdKinds) {
    struct Case {
        std::string text;
        IdChoice ids;
        std::string labels;
    };
    const Case cases[] = {
        {"10 9\n007 9\n", IdChoice::from_file, "7\t1\n9\t1\n10\t1\n"},
        {"10 9\n007 9\n", IdChoice::names, "10\t1\n9\t1\n007\t1\n"},
        {"x 9\n007 y\n", IdChoice::from_file, "x\t1\n9\t1\n007\t2\ny\t2\n"},
        {"\"12\" 3\n12 a\n", IdChoice::from_file, "12\t1\n3\t1\na\t1\n"},
        {"\"a \"\"b\"\"\",c\n", IdChoice::from_file, "a \"b\"\t1\nc\t1\n"},
        {"# 1 2\n  b a\na\"q c\n", IdChoice::from_file, "b\t1\na\t1\na\"q\t2\nc\t2\n"},
        {"9223372036854775807 0\n", IdChoice::from_file, "0\t1\n9223372036854775807\t1\n"},
        // Names of 65535 bytes and more are kept another way.
        {std::string(70000, 'a') + " b\nb " + std::string(65535, 'a') + "\n" +
             std::string(70000, 'a') + " " + std::string(65534, 'a') + "\n",
         IdChoice::from_file,
         std::string(70000, 'a') + "\t1\nb\t1\n" + std::string(65535, 'a') + "\t1\n" +
             std::string(65534, 'a') + "\t1\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run_text(c.text, FileFormat::labels, c.ids).out, c.labels) << c.text;
    }
}

TEST(GraphFiles, RefusedLines) {
    struct Case {
        std::string text;
        IdChoice ids;
        std::string err;
    };
    const Case cases[] = {
        {"1 2\na,,b\n", IdChoice::names, "g.txt:2: empty node id"},
        {",b\n", IdChoice::names, "g.txt:1: empty node id"},
        {"1 2\n\n3,\n", IdChoice::from_file, "g.txt:3: empty node id"},
        {"1 2\n3 4x\n", IdChoice::numbers, "g.txt:2: '4x' is not a node number (use --ids=names)"},
        {"1 -2\n", IdChoice::numbers, "g.txt:1: '-2' is not a node number (use --ids=names)"},
        {"\"1\" 2\n", IdChoice::numbers, "g.txt:1: '\"1\"' is not a node number (use --ids=names)"},
        {"# x\r\n9223372036854775808 1\n", IdChoice::from_file,
         "g.txt:2: node number 9223372036854775808 is too large"},
        {"1 2\n00000000000000000000000000000003 99999999999999999999\n", IdChoice::from_file,
         "g.txt:2: node number 99999999999999999999 is too large"},
        {"a \"b\n", IdChoice::from_file, "g.txt:1: unclosed quote"},
        {"a \"b\"c\n", IdChoice::from_file, "g.txt:1: unclosed quote"},
    };
    for (const Case& c : cases) {
        for (const std::uint64_t block : {0, 3}) {
            const Outcome r = run_text(c.text, FileFormat::labels, c.ids, 8, block);
            EXPECT_EQ(r.status, 1) << c.text;
            EXPECT_EQ(r.out, "") << c.text;
            EXPECT_EQ(r.err, "ugraph: " + c.err + "\n") << c.text;
        }
    }
}

// The first of several faults is reported, wherever the threads meet them.
TEST(GraphFiles, FirstFaultOfALargeFile) {
    std::string text;
    for (int i = 0; i < 20000; i++) {
        text += std::to_string(i) + " " + std::to_string(i + 1) + "\n";
    }
    std::string faulty = text + "1 x\n" + text + ",2\n";
    for (std::uint32_t threads : {1, 2, 8}) {
        const Outcome r = run_text(faulty, FileFormat::summary, IdChoice::numbers, threads, 512);
        EXPECT_EQ(r.err, "ugraph: g.txt:20001: 'x' is not a node number (use --ids=names)\n");
    }
}

TEST(GraphFiles, StandardInputAndNamesInReports) {
    ScratchDir dir;
    ScratchDir::write("in", "\"<&\\ \"\"\",b\x01\n");
    const int saved = dup(STDIN_FILENO);
    const int in = open("in", O_RDONLY);
    dup2(in, STDIN_FILENO);
    close(in);
    const Outcome json = run_files({"-"}, options_of(FileFormat::json));
    lseek(STDIN_FILENO, 0, SEEK_SET);
    const Outcome dot = run_files({"-"}, options_of(FileFormat::dot));
    dup2(saved, STDIN_FILENO);
    close(saved);
    EXPECT_EQ(json.err + dot.err, "");
    EXPECT_EQ(json.out, "{\"name\": \"-\", \"nodes\": 2, \"links\": 1, \"components\": "
                        "[[\"<&\\\\ \\\"\", \"b\\u0001\"]]}\n");
    EXPECT_EQ(dot.out,
              "graph {\n  label=<->;\n  subgraph cluster_1 {\n    label=\"Component #1\";\n"
              "    \"&lt;&amp;&#92; &quot;\"; \"b\xE2\x90\x81\";\n  }\n"
              "  \"&lt;&amp;&#92; &quot;\" -- \"b\xE2\x90\x81\";\n}\n");
}

} // namespace
} // namespace ugraph::testing
