// Failure (why a graph file was not read or written: one value every stage returns)
#include "large/failure.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/text_escapes.h"
#include "large/node_index.h"

namespace ugraph {

using Figure = unsigned long long;

Failure text_failure(FailureKind kind, std::uint64_t line, const char* begin, const char* end) {
    Failure f = failure(kind, line);
    f.text.assign(begin, end);
    return f;
}

Failure printed_failure(FailureKind kind, std::uint64_t line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char message[200];
    const int length = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    const std::size_t size = std::min<std::size_t>(length > 0 ? length : 0, sizeof message - 1);
    return text_failure(kind, line, message, message + size);
}

static void print_text(const Failure& f) {
    print_one_line_error(f.text.data(), f.text.size());
}

// More node lines than the header's nodes fail at the first one too many.
static void print_node_lines(const Failure& f) {
    if (f.figures[1] > f.figures[0]) {
        print_error("more node lines than the %llu the header gives\n", Figure{f.figures[0]});
    } else {
        print_error("the header gives %llu node%s, the file has %llu node line%s\n",
                    Figure{f.figures[0]}, plural(f.figures[0]), Figure{f.figures[1]},
                    plural(f.figures[1]));
    }
}

// The reasons that name a line of the file.
static void print_line_fault(const Failure& f) {
    switch (f.kind) {
    case FailureKind::empty_id:
        print_error("empty node id\n");
        break;
    case FailureKind::no_field:
        print_error("the line has no field %.*s\n", static_cast<int>(f.text.size()), f.text.data());
        break;
    case FailureKind::not_a_number:
        print_error("'");
        print_text(f);
        print_error("' is not a node number (use --ids=names)\n");
        break;
    case FailureKind::too_large:
        print_error("node number ");
        print_text(f);
        print_error(" is too large\n");
        break;
    case FailureKind::unclosed_quote:
        print_error("unclosed quote\n");
        break;
    case FailureKind::bad_entry:
        print_error("an entry must give a row and a column\n");
        break;
    case FailureKind::outside:
        print_error("entry ");
        print_text(f);
        print_error(" is outside the %llu by %llu matrix\n", Figure{f.figures[0]},
                    Figure{f.figures[1]});
        break;
    case FailureKind::entries:
        print_error("the size line gives %llu entr%s, the file holds %llu\n", Figure{f.figures[0]},
                    f.figures[0] == 1 ? "y" : "ies", Figure{f.figures[1]});
        break;
    case FailureKind::neighbour:
        print_error("neighbour '");
        print_text(f);
        print_error("' is not a node from 1 to %llu\n", Figure{f.figures[0]});
        break;
    case FailureKind::one_sided:
        print_error("node %llu lists node %llu, whose line does not list it\n",
                    Figure{f.figures[0]}, Figure{f.figures[1]});
        break;
    case FailureKind::node_lines:
        print_node_lines(f);
        break;
    case FailureKind::link_count:
        print_error("the header gives %llu link%s, the file holds %llu\n", Figure{f.figures[0]},
                    plural(f.figures[0]), Figure{f.figures[1]});
        break;
    case FailureKind::xml:
        print_error("malformed XML: %.*s\n", static_cast<int>(f.text.size()), f.text.data());
        break;
    default: // header, syntax, graphml, dot, weights: the text is the reason
        print_error("%.*s\n", static_cast<int>(f.text.size()), f.text.data());
        break;
    }
}

// The reasons of the whole file.
static void print_file_fault(const Failure& f) {
    switch (f.kind) {
    case FailureKind::system:
        print_error("%s\n", std::strerror(f.error != 0 ? f.error : EIO));
        break;
    case FailureKind::damaged:
        print_error("compressed data is damaged\n");
        break;
    case FailureKind::cut_off:
        print_error("compressed data is cut off\n");
        break;
    case FailureKind::out_of_memory:
        print_error("out of memory\n");
        break;
    case FailureKind::full:
        print_error("more nodes than ugraph can hold (%u)\n", LAST_INDEX);
        break;
    case FailureKind::not_graph:
        print_error("not a graph file (%.*s)\n", static_cast<int>(f.text.size()), f.text.data());
        break;
    case FailureKind::no_cgraph:
        print_error("this ugraph was built without Graphviz's cgraph library, which reads DOT; "
                    "install libgraphviz-dev and build ugraph again\n");
        break;
    case FailureKind::no_expat:
        print_error("this ugraph was built without the expat library, which reads GraphML; "
                    "install libexpat1-dev and build ugraph again\n");
        break;
    case FailureKind::no_library:
        print_error("cannot open %.*s, the library that reads this file\n",
                    static_cast<int>(f.text.size()), f.text.data());
        break;
    case FailureKind::line_break:
        print_error("a node's name holds a line break, which an edge list cannot hold: '");
        print_text(f);
        print_error("'\n");
        break;
    case FailureKind::dot:
    case FailureKind::syntax:
    case FailureKind::graphml:
        print_error("%.*s\n", static_cast<int>(f.text.size()), f.text.data());
        break;
    default:
        break;
    }
}

static void print_no_component(const char* file, const Failure& f) {
    print_error("ugraph: %s has %llu component%s, not ", file, Figure{f.figures[0]},
                plural(f.figures[0]));
    if (f.figures[1] == 0) {
        print_error("largest\n");
    } else {
        print_error("%llu\n", Figure{f.figures[1]});
    }
}

// Whether the failure is told as one of a line: faults of the text, when
// their line is known.
static bool of_line(const Failure& f) {
    return f.line != 0 && f.kind >= FailureKind::empty_id && f.kind <= FailureKind::dot;
}

void report(const char* file, const Failure& f) {
    if (f.kind == FailureKind::none) {
        return;
    }
    if (f.kind == FailureKind::no_component) {
        print_no_component(file, f);
    } else if (of_line(f)) {
        print_error("ugraph: %s:%llu: ", file, Figure{f.line});
        print_line_fault(f);
    } else {
        print_error("ugraph: %s: ", file);
        print_file_fault(f);
    }
}

} // namespace ugraph
