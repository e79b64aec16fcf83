// Graph files (the components of graph files of any size, one FILE operand after another)
#include "large/graph_files.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "console/console.h"
#include "console/text_escapes.h"
#include "large/component_tally.h"
#include "large/component_walk.h"
#include "large/direct_range.h"
#include "large/dot_input.h"
#include "large/edge_dialect.h"
#include "large/edge_list_output.h"
#include "large/graph_reports.h"
#include "large/input_format.h"
#include "large/link_pass.h"
#include "large/memory_end.h"

namespace ugraph {

using Figure = unsigned long long;

static std::uint32_t default_threads() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) {
        return static_cast<std::uint32_t>(CPU_COUNT(&cpus));
    }
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<std::uint32_t>(online) : 1;
}

// One file as it is read: where from, in which format, and what it gave.
struct FileRun {
    GraphSource source;
    const GraphFileOptions* options;
    std::uint32_t threads;
    InputFormat format;
    MatrixHeader matrix;
    Dialect dialect;        // of an edge list
    std::uint64_t lineBase; // lines before the links: a header
    std::unique_ptr<NodeIndex> nodes;
    PassResult pass;
    bool kept; // the links are kept, in the file's order
};

static void report_fault(const FileRun& run) {
    const PassResult& r = run.pass;
    const char* name = run.source.name;
    const Figure line = Figure{r.faultLine} + run.lineBase;
    if (r.fault != LineFault::no_room) {
        print_error("ugraph: %s:%llu: ", name, line);
    }
    switch (r.fault) {
    case LineFault::empty_id:
        print_error("empty node id\n");
        break;
    case LineFault::no_field:
        print_error("the line has no field %.*s\n", static_cast<int>(r.faultField.size()),
                    r.faultField.data());
        break;
    case LineFault::not_a_number:
        print_error("'");
        print_one_line_error(r.faultField.data(), r.faultField.size());
        print_error("' is not a node number (use --ids=names)\n");
        break;
    case LineFault::too_large:
        print_error("node number ");
        print_one_line_error(r.faultField.data(), r.faultField.size());
        print_error(" is too large\n");
        break;
    case LineFault::unclosed_quote:
        print_error("unclosed quote\n");
        break;
    case LineFault::bad_entry:
        print_error("an entry must give a row and a column\n");
        break;
    case LineFault::outside:
        print_error("entry ");
        print_one_line_error(r.faultField.data(), r.faultField.size());
        print_error(" is outside the %llu by %llu matrix\n", static_cast<Figure>(run.matrix.rows),
                    static_cast<Figure>(run.matrix.columns));
        break;
    case LineFault::no_room:
        if (is_full(*run.nodes)) {
            print_error("ugraph: %s: more nodes than ugraph can hold (%u)\n", name, LAST_INDEX);
        } else {
            print_error("ugraph: %s: out of memory\n", name);
        }
        break;
    case LineFault::none:
        break;
    }
}

// The progress line goes to a terminal, unless --quiet.
static bool shows_progress(const GraphFileOptions& o) {
    return !o.quiet && isatty(STDERR_FILENO) != 0;
}

static bool walks(FileFormat format) {
    return format == FileFormat::text || format == FileFormat::json || format == FileFormat::dot;
}

// Whether the results need every link after the components are known: the
// links are then kept, or a regular file is read a second time.
static bool reads_links_again(const GraphFileOptions& o) {
    return o.format == FileFormat::edges || (o.format == FileFormat::summary && o.component.given);
}

static PassOptions pass_options(const FileRun& run, bool keep) {
    const GraphFileOptions& o = *run.options;
    PassOptions p{};
    p.threads = run.threads;
    p.progress = shows_progress(o);
    p.keepLinks = keep;
    p.blockSize = o.blockSize;
    p.dialect = run.dialect;
    p.matrix = run.format == InputFormat::mtx;
    p.rows = run.matrix.rows;
    p.columns = run.matrix.columns;
    return p;
}

// A guess at the hashed ids of a file from its size, on the low side: a
// table too small grows, one too large costs memory the nodes do not need.
inline constexpr std::uint64_t BYTES_AN_ID = 1024;

// Makes the run's node index; false when memory runs out.
static bool make_nodes(FileRun& run, IdKind kind, std::uint32_t directIds) {
    run.nodes.reset(); // a file read again gives back the first reading's memory first
    run.nodes = make_node_index(kind, directIds, run.source.size / BYTES_AN_ID);
    if (run.nodes && run.options->hashMask != 0) {
        run.nodes->table.weaken = run.options->hashMask;
    }
    return run.nodes != nullptr;
}

// The run's node index, or the end of the run when memory is out.
static void start_nodes(FileRun& run, IdKind kind, std::uint32_t directIds = DIRECT_IDS) {
    if (!make_nodes(run, kind, directIds)) {
        end_out_of_memory();
    }
}

// A Matrix Market file's nodes are 1 to the larger of its rows and columns,
// every one of them, linked or not.
static bool start_matrix(FileRun& run) {
    if (!read_matrix_header(run.source, run.matrix)) {
        return false;
    }
    const std::uint64_t n =
        run.matrix.rows > run.matrix.columns ? run.matrix.rows : run.matrix.columns;
    run.lineBase = run.matrix.sizeLine;
    start_nodes(run, IdKind::numbers, static_cast<std::uint32_t>(n + 1));
    for (std::uint64_t id = 1; id <= n; id++) {
        mark_node(*run.nodes, static_cast<std::uint32_t>(id + 1));
    }
    return true;
}

static bool check_entries(const FileRun& run) {
    if (run.format != InputFormat::mtx || run.pass.links == run.matrix.entries) {
        return true;
    }
    const std::uint64_t given = run.matrix.entries;
    print_error("ugraph: %s:%llu: the size line gives %llu entr%s, the file holds %llu\n",
                run.source.name, static_cast<Figure>(run.matrix.sizeLine),
                static_cast<Figure>(given), given == 1 ? "y" : "ies",
                static_cast<Figure>(run.pass.links));
    return false;
}

// The bytes of the text after the first `read` of it, or a floor of them:
// a gzip file's text is at least as long as the compressed bytes not yet
// read (text compresses); 0 for a stream whose length is not known.
static std::uint64_t text_after(const GraphSource& source, std::uint64_t read) {
    if (source.regular) {
        const std::uint64_t text = source.size - source.skip;
        return text > read ? text - read : 0;
    }
    if (source.compressed && !source.decoder && source.size > source.consumed) {
        return source.size - source.consumed;
    }
    return 0;
}

// An edge list's lines read as its first lines show, or as the options say;
// the direct range of numbers follows what the first lines show.
static bool start_edges(FileRun& run) {
    EdgeShape shape{};
    if (!find_edge_shape(run.source, run.options->dialect, shape)) {
        report_read_error(run.source, errno);
        return false;
    }
    run.dialect = shape.dialect;
    run.source.start = shape.start;
    run.lineBase = shape.skipped;
    if (shape.ids == IdKind::names) {
        start_nodes(run, IdKind::names);
        return true;
    }
    const std::vector<char>& head = run.source.head;
    const std::uint64_t end = std::min<std::uint64_t>(head.size(), shape.start + RANGE_LOOK);
    const std::uint32_t range = direct_range(head.data() + shape.start, head.data() + end,
                                             shape.dialect, text_after(run.source, end));
    if (!make_nodes(run, IdKind::numbers, range)) {
        start_nodes(run, IdKind::numbers); // the address space of a wider table may be refused
    }
    return true;
}

// A text that is no graph file is refused before it is read as one.
static bool is_text(GraphSource& source) {
    if (!peek_head(source, BINARY_LOOK)) {
        report_read_error(source, errno);
        return false;
    }
    const char* kind = binary_kind(source.head.data(), source.head.size());
    if (kind != nullptr) {
        print_error("ugraph: %s: not a graph file (%s)\n", source.name, kind);
        return false;
    }
    return true;
}

static InputFormat chosen_format(InputChoice input, InputFormat found) {
    return input == InputChoice::edges ? InputFormat::edges
           : input == InputChoice::mtx ? InputFormat::mtx
           : input == InputChoice::dot ? InputFormat::dot
                                       : found;
}

// Finds the format and how the links are read; the node index is made.
static bool start_file(FileRun& run) {
    const GraphFileOptions& o = *run.options;
    InputFormat format = InputFormat::edges;
    if (!is_text(run.source)) {
        return false;
    }
    if (o.input == InputChoice::from_content && !detect_input_format(run.source, format)) {
        report_read_error(run.source, errno);
        return false;
    }
    run.format = chosen_format(o.input, format);
    if (run.format == InputFormat::dot) {
        start_nodes(run, IdKind::names);
        return true;
    }
    if (!settle_line_ends(run.source)) {
        report_read_error(run.source, errno);
        return false;
    }
    return run.format == InputFormat::mtx ? start_matrix(run) : start_edges(run);
}

// Whether an edge list read as numbers, whose ids the file was to tell,
// turns out to hold a name where it can be read again: then the whole file
// is read again as names.
static bool reads_as_names(const FileRun& run) {
    return run.format == InputFormat::edges && run.pass.fault == LineFault::not_a_number &&
           run.options->dialect.ids == IdChoice::from_file && run.source.again;
}

static bool read_pass(FileRun& run) {
    read_links(run.source, *run.nodes, pass_options(run, run.kept), run.pass);
    return run.pass.readError == 0 && run.source.fault == SourceFault::none;
}

// Reads the file once: every node, and every link joined in the forest.
static bool read_file(FileRun& run) {
    const GraphFileOptions& o = *run.options;
    if (!start_file(run)) {
        return false;
    }
    if (run.format == InputFormat::dot) {
        run.kept = true;
        return read_dot_links(run.source, *run.nodes, run.pass, shows_progress(o));
    }
    run.kept = walks(o.format) || (reads_links_again(o) && !run.source.regular);
    bool read = read_pass(run);
    if (read && reads_as_names(run)) {
        start_nodes(run, IdKind::names);
        read = rewind_source(run.source) && read_pass(run);
    }
    if (!read) {
        report_read_error(run.source, run.pass.readError != 0 ? run.pass.readError : errno);
        return false;
    }
    if (run.pass.fault != LineFault::none) {
        report_fault(run);
        return false;
    }
    return check_entries(run);
}

// The number of the component --component names; 0 after a message when
// there is none such.
static std::uint32_t chosen(const FileRun& run, const std::vector<std::uint32_t>& sizes) {
    const ComponentChoice& c = run.options->component;
    std::uint64_t k = c.number;
    if (c.largest) {
        k = sizes.empty() ? 0 : 1;
        for (std::uint64_t i = 1; i < sizes.size(); i++) {
            k = sizes[i] > sizes[k - 1] ? i + 1 : k;
        }
    }
    if (k >= 1 && k <= sizes.size()) {
        return static_cast<std::uint32_t>(k);
    }
    print_error("ugraph: %s has %llu component%s, not ", run.source.name,
                static_cast<Figure>(sizes.size()), plural(sizes.size()));
    if (c.largest) {
        print_error("largest\n");
    } else {
        print_error("%llu\n", static_cast<Figure>(c.number));
    }
    return 0;
}

static void print_chosen_labels(NodeIndex& nodes, const NodeOrder& order, std::uint32_t only) {
    for_each_node(nodes, order, [&nodes, only](std::uint32_t index) {
        const std::uint32_t component = component_of(nodes, index);
        if (only == 0 || component == only) {
            print_node_id(nodes, index, ReportFormat::text);
            print_format("\t%u\n", component);
        }
    });
}

// Shows every link to the output again: the kept ones, or those of a second
// reading of the file on one thread, in the file's order.
static bool show_links_again(FileRun& run, EdgeOutput& out) {
    if (run.kept) {
        for_each_kept_link(run.pass.kept, run.pass.spans,
                           [&out](std::uint32_t a, std::uint32_t b) { take_link(&out, a, b); });
        return true;
    }
    PassOptions again = pass_options(run, false);
    again.threads = 1;
    again.visit = take_link;
    again.context = &out;
    PassResult second;
    read_links(run.source, *run.nodes, again, second);
    if (second.readError != 0 || second.fault != LineFault::none) {
        report_read_error(run.source, second.readError != 0 ? second.readError : EIO);
        return false;
    }
    return true;
}

static bool write_links(FileRun& run, const NodeOrder& order, std::uint32_t only,
                        std::uint32_t size) {
    const FileFormat format = run.options->format;
    if (format == FileFormat::edges && !names_fit_lines(run.source.name, *run.nodes, order)) {
        return false;
    }
    EdgeOutput out;
    start_edge_output(out, *run.nodes, only, format == FileFormat::edges);
    if (!show_links_again(run, out)) {
        return false;
    }
    if (format == FileFormat::edges) {
        write_lone_nodes(out, order);
    } else {
        print_summary_line(run.source.name, out.links, Tally{size, 1, size});
    }
    return true;
}

static bool write_walk(FileRun& run) {
    const GraphFileOptions& o = *run.options;
    const ReportFormat report = o.format == FileFormat::text   ? ReportFormat::text
                                : o.format == FileFormat::json ? ReportFormat::json
                                                               : ReportFormat::dot;
    std::uint32_t only = 0;
    if (o.component.given) {
        Tally tally{};
        tally_components(*run.nodes, tally);
        NodeOrder order;
        order_nodes(*run.nodes, order);
        std::vector<std::uint32_t> sizes;
        number_components(*run.nodes, order, sizes);
        only = chosen(run, sizes);
        if (only == 0) {
            return false;
        }
    }
    const bool progress = shows_progress(o);
    if (!write_component_walk(*run.nodes, run.pass.kept, run.source.name, run.pass.links,
                              report_writer(report), only, progress)) {
        print_error("ugraph: %s: out of memory\n", run.source.name);
        return false;
    }
    return true;
}

static bool write_results(FileRun& run) {
    const GraphFileOptions& o = *run.options;
    if (walks(o.format)) {
        return write_walk(run);
    }
    const bool again = reads_links_again(o);
    if (!again || run.kept) {
        drop_hash_slots(*run.nodes); // no id is looked up any more
    }
    Tally tally{};
    tally_components(*run.nodes, tally);
    if (o.format == FileFormat::summary && !o.component.given) {
        print_summary_line(run.source.name, run.pass.links, tally);
        return true;
    }
    NodeOrder order;
    order_nodes(*run.nodes, order);
    std::vector<std::uint32_t> sizes;
    number_components(*run.nodes, order, sizes);
    const std::uint32_t only = o.component.given ? chosen(run, sizes) : 0;
    if (o.component.given && only == 0) {
        return false;
    }
    if (o.format == FileFormat::labels) {
        print_chosen_labels(*run.nodes, order, only);
        return true;
    }
    return write_links(run, order, only, only != 0 ? sizes[only - 1] : 0);
}

int run_graph_files(char* const* files, int count, const GraphFileOptions& options) {
    const std::new_handler previous = std::set_new_handler(end_out_of_memory); // on any thread
    const std::uint32_t threads = options.threads != 0 ? options.threads : default_threads();
    int status = 0;
    for (int i = 0; i < count; i++) {
        read_memory_for(files[i]);
        FileRun run{};
        run.options = &options;
        run.threads = threads;
        if (!open_source(files[i], run.source)) {
            status = 1;
            continue;
        }
        if (!read_file(run) || !write_results(run)) {
            status = 1;
        }
        flush_output();
        close_source(run.source);
    }
    std::set_new_handler(previous);
    return status;
}

} // namespace ugraph
