// Edge lists in the shapes real files have: separators, headers, id columns,
// line ends, byte-order marks, ids found late; and files that are no graphs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph_files_run.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

struct Row {
    std::string text;
    std::vector<std::string> args; // before the file's name
    std::string labels;            // what --format=labels writes, or the message without
                                   // "ugraph: g.txt" when `refused`
    bool refused = false;
};

void check_rows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        ScratchDir dir;
        ScratchDir::write("g.txt", row.text);
        std::vector<std::string> args = {"-q", "--format=labels"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back("g.txt");
        const Outcome r = run_args(args);
        if (row.refused) {
            EXPECT_EQ(r.status, 1) << row.text;
            EXPECT_EQ(r.out, "") << row.text;
            EXPECT_EQ(r.err, "ugraph: g.txt" + row.labels + "\n") << row.text;
        } else {
            EXPECT_EQ(r.err, "") << row.text;
            EXPECT_EQ(r.out, row.labels) << row.text;
        }
    }
}

TEST(EdgeDialect, Separators) {
    check_rows({
        {"a;b\nb;c\n", {}, "a\t1\nb\t1\nc\t1\n"},
        {"Brown and Dawson,Du Bois\n Du Bois , Smith, J. \n",
         {},
         "Brown and Dawson\t1\nDu Bois\t1\nSmith\t1\n"},
        {"\"Smith, J.\",\"Lee; K\"\n", {}, "Smith, J.\t1\nLee; K\t1\n"},
        {"a\"b;c\n", {}, "a\"b;c\t1\n"},                // a quote hides what follows
        {"\"x,y\";z\n", {}, "x,y\t1\nz\t1\n"},          // the comma is quoted
        {"1 2\n3,4\n", {}, "1\t1\n2\t1\n3\t2\n4\t2\n"}, // blanks, and a comma among them
        {"a b\tc\n", {"--separator=tab"}, "a b\t1\nc\t1\n"},
        {"a\t\tc\n", {"--separator=tab"}, ":1: empty node id", true},
        {"a|b c| d\n", {"--separator=|"}, "a\t1\nb c\t1\n"},
        {"a,b c\n", {"--separator=space"}, "a\t1\nb\t1\n"}, // as always, a comma separates too
        {"1;2\n2;3\n", {"--separator=comma"}, "1;2\t1\n2;3\t2\n"},
        {"a,b\n", {"--separator=semicolon"}, "a,b\t1\n"},
        {"a,,b\n", {}, ":1: empty node id", true},
        {"a;\n", {}, ":1: empty node id", true},
        {"a,\"b\"c\n", {}, ":1: unclosed quote", true},
        {"a,\"b\" ,c\n", {}, "a\t1\nb\t1\n"},
    });
}

TEST(EdgeDialect, LineEndsAndByteOrderMarks) {
    check_rows({
        {"a,b\rc,d\r", {}, "a\t1\nb\t1\nc\t2\nd\t2\n"},
        {"1 2\r3 4\r", {}, "1\t1\n2\t1\n3\t2\n4\t2\n"},
        {"# made on a Mac\r1 2\r2 x\r",
         {"--ids=numbers"},
         ":3: 'x' is not a node number (use --ids=names)",
         true},
        {"1 2\r\n3 x\r\n",
         {"--ids=numbers"},
         ":2: 'x' is not a node number (use --ids=names)",
         true},
        {"1 2\n3 4\r", {}, "1\t1\n2\t1\n3\t2\n4\t2\n"},           // a CR only at the end: LF lines
        {"a b\nc \"d\re\"\n", {}, "a\t1\nb\t1\nc\t2\nd\re\t2\n"}, // a CR in LF lines
        {"a \"b\rc\"\n", {}, ":1: unclosed quote", true},         // the first line end is a CR
        {"\xEF\xBB\xBF"
         "1 2\n3 1\n",
         {},
         "1\t1\n2\t1\n3\t1\n"},
        {"\xEF\xBB\xBF"
         "Source,Target\r\n1,2\r\n2,3\r\n",
         {},
         "1\t1\n2\t1\n3\t1\n"},
        {"\xEF\xBB\xBF"
         "\xEF\xBB\xBF"
         "a b\n",
         {},
         "\xEF\xBB\xBF"
         "a\t1\nb\t1\n"},
    });
}

TEST(EdgeDialect, HeadersAndColumns) {
    check_rows({
        {"source,target\n1,2\n2,3\n4,5\n", {}, "1\t1\n2\t1\n3\t1\n4\t2\n5\t2\n"},
        {"Id,Source,Target,Weight\n0,a,b,1\n1,b,c,1\n2,d,e,2\n",
         {},
         "a\t1\nb\t1\nc\t1\nd\t2\ne\t2\n"},
        {"weight;TARGET;source\n1;a;b\n1;c;d\n", {}, "a\t1\nb\t1\nc\t2\nd\t2\n"},
        {"\"from\",\"to\"\n\"x\",\"y\"\n", {}, "x\t1\ny\t1\n"},
        {"# edges\nsrc dst\n7 8\n", {}, "7\t1\n8\t1\n"},
        {"x 9\n007 9\n", {}, "7\t1\n9\t1\n"},               // names over numbers
        {"x 9\n007 y\n", {}, "x\t1\n9\t1\n007\t2\ny\t2\n"}, // names over names: data
        {"1 2\n3 4\n", {"--header"}, "3\t1\n4\t1\n"},
        {"source target\n1 2\n", {"--no-header"}, "source\t1\ntarget\t1\n1\t2\n2\t2\n"},
        {"time,x,y\n5,1,2\n6,3,4\n", {"--columns=2,3"}, "1\t1\n2\t1\n3\t2\n4\t2\n"},
        {"a b c\nd e\nf\n", {"--columns=3,1"}, ":2: the line has no field 3", true},
        {"a b c\nd e f\n", {"--columns=3,1"}, "a\t1\nc\t1\nd\t2\nf\t2\n"},
        {"a b\nc\n", {"--columns=2,1"}, ":2: the line has no field 2", true},
        {"a b\nc d e\n", {"--columns=1,3"}, "a\t1\nc\t2\ne\t2\n"}, // a lone node, then a link
        {"source,target\n1,2\n3,x\n",
         {"--ids=numbers"},
         ":3: 'x' is not a node number (use --ids=names)",
         true},
    });
}

TEST(EdgeDialect, Ids) {
    check_rows({
        {"1 2\nbradshaw97 3\n", {}, "1\t1\n2\t1\nbradshaw97\t2\n3\t2\n"},
        {"1 2\nbradshaw97 3\n",
         {"--ids=numbers"},
         ":2: 'bradshaw97' is not a node number (use --ids=names)",
         true},
        {"\"\" y\na b\n", {}, "\t1\ny\t1\na\t2\nb\t2\n"}, // quotes around nothing
        {"1 2\n\"\",3\n", {}, "1\t1\n2\t1\n\t2\n3\t2\n"},
        {"\"\" \"\"\n", {}, "\t1\n"},
    });
}

// A name after the first 64 KiB: a file is read again, whole, as names; a
// pipe, which cannot be read again, is refused at the name.
TEST(EdgeDialect, NameFoundLate) {
    std::string text;
    for (int i = 1; i < 70000; i++) {
        text += std::to_string(i) + " " + std::to_string(i + 1) + "\n";
    }
    text += "bradshaw97 1\n";
    ScratchDir dir;
    ScratchDir::write("g.txt", text);
    const std::string labels = run_args({"-q", "--format=labels", "--ids=names", "g.txt"}).out;
    ASSERT_EQ(labels.substr(0, 12), "1\t1\n2\t1\n3\t1\n");
    ASSERT_EQ(labels.substr(labels.size() - 13), "bradshaw97\t1\n");
    EXPECT_EQ(run_args({"-q", "--format=labels", "g.txt"}).out, labels);
    ScratchDir::write("g.gz", gzipped(text));
    EXPECT_EQ(run_args({"-q", "--format=labels", "g.gz"}).out, labels);
    const Outcome piped = run_piped(text, {"-q"});
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(piped.out, "");
    EXPECT_EQ(piped.err, "ugraph: -:70000: 'bradshaw97' is not a node number (use --ids=names)\n");
}

// The text in UTF-16 (little- or big-endian, as its byte-order mark says),
// with a character outside the BMP and CRLF line ends.
std::string utf16(const std::string& ascii, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        const std::string unit = c == '@' ? std::string("\xD8\x3D\xDE\x00", 4) // U+1F600
                                          : std::string(1, '\0') + c;
        for (std::size_t i = 0; i < unit.size(); i += 2) {
            bytes += bigEndian ? unit.substr(i, 2) : std::string{unit[i + 1], unit[i]};
        }
    }
    return bytes;
}

// UTF-16 text reads as its UTF-8 would: from a file, gzipped, from a pipe,
// and read again as names when a name comes late. A surrogate without its
// partner and a byte cut off at the end read as U+FFFD.
TEST(EdgeDialect, Utf16Text) {
    std::string late;
    for (int i = 1; i < 7000; i++) {
        late += std::to_string(i) + " " + std::to_string(i + 1) + "\r\n";
    }
    const struct {
        std::string ascii;
        std::string labels;
    } cases[] = {
        {"Brown and Dawson,Du Bois\r\nDu Bois,@ Smith\r\n",
         "Brown and Dawson\t1\nDu Bois\t1\n\xF0\x9F\x98\x80 Smith\t1\n"},
        {late + "x 1\r\n", ""},
    };
    for (const auto& c : cases) {
        for (const bool bigEndian : {false, true}) {
            ScratchDir dir;
            ScratchDir::write("u8.txt", c.ascii);
            const std::string want =
                c.labels.empty() ? run_args({"-q", "--format=labels", "u8.txt"}).out : c.labels;
            const std::string text = utf16(c.ascii, bigEndian);
            ScratchDir::write("g.txt", text);
            ScratchDir::write("g.gz", gzipped(text));
            for (const char* name : {"g.txt", "g.gz"}) {
                EXPECT_EQ(run_args({"-q", "--format=labels", name}).out, want) << name;
            }
            if (c.labels.empty()) {
                EXPECT_EQ(want.substr(want.size() - 4), "x\t1\n");
            } else {
                EXPECT_EQ(run_piped(text, {"-q", "--format=labels"}).out, want);
            }
        }
    }
    ScratchDir dir;
    ScratchDir::write("odd.txt", std::string("\xFF\xFE"
                                             "a\0 \0\x00\xD8"
                                             "b\0\n\0"
                                             "c",
                                             13));
    EXPECT_EQ(run_args({"-q", "--format=labels", "odd.txt"}).out, "a\t1\n\xEF\xBF\xBD"
                                                                  "b\t1\n\xEF\xBF\xBD\t2\n");
}

// Files that are no graphs are refused by what they are; text in any
// encoding is read. xz, bzip2 and zstd data is refused inside gzip only: as
// a file's own bytes it is decompressed.
TEST(EdgeDialect, NotAGraph) {
    const std::string tar = std::string(257, 'x') + "ustar" + std::string(250, '\0');
    struct Case {
        std::string bytes;
        std::string kind;    // empty: read as a graph
        bool inside = false; // refused only inside gzip
    };
    const Case cases[] = {
        {"\xFD"
         "7zXZ" +
             std::string(1, '\0') + "abc",
         "xz-compressed data", true},
        {"BZh91AY&SYabc", "bzip2-compressed data", true},
        {"BZh9 names\n", ""},
        {"\x28\xB5\x2F\xFD"
         "abc",
         "zstd-compressed data", true},
        {"PK\x03\x04"
         "abc",
         "a zip archive"},
        {"7z\xBC\xAF\x27\x1C"
         "abc",
         "a 7z archive"},
        {tar, "a tar archive"},
        {"\x7F"
         "ELF\x02\x01",
         "an ELF program or library"},
        {"%PDF-1.4\n", "a PDF document"},
        {"\x89PNG\r\n\x1A\n", "a PNG image"},
        {"1 2\n3" + std::string(1, '\0') + "4\n", "binary data"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e K\xC3\xB6ln\n",
         ""}, // UTF-8
        {"Gr\xFC\xDF"
         "e K\xF6ln\n",
         ""}, // Latin-1
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        ScratchDir::write("g.txt", c.bytes);
        ScratchDir::write("g.gz", gzipped(c.bytes));
        for (const char* name : {"g.txt", "g.gz"}) {
            if (c.inside && std::string(name) == "g.txt") {
                continue;
            }
            const Outcome r = run_args({"-q", name});
            if (c.kind.empty()) {
                EXPECT_EQ(r.err, "") << c.bytes;
                EXPECT_EQ(r.status, 0) << c.bytes;
                continue;
            }
            EXPECT_EQ(r.status, 1) << c.bytes;
            EXPECT_EQ(r.out, "") << c.bytes;
            EXPECT_EQ(r.err,
                      "ugraph: " + std::string(name) + ": not a graph file (" + c.kind + ")\n")
                << c.bytes;
        }
    }
}

} // namespace
} // namespace ugraph::testing
