// Graph files (the components of graph files of any size, one FILE operand after another)
//
// Each file goes through the same stages, each handing a value to the next:
// the source (its bytes), the sniff (its format and grammar), the pass (its
// nodes, its forest and, for some formats, its links), the components, and
// a writer. A stage that fails returns a Failure, which is told in one
// place, run_graph_files.
#include "large/graph_files.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <new>

#include "console/console.h"
#include "large/component_labels.h"
#include "large/component_walk.h"
#include "large/dot_reader.h"
#include "large/edge_list_output.h"
#include "large/file_run.h"
#include "large/gml_reader.h"
#include "large/graph_reports.h"
#include "large/graphml_reader.h"
#include "large/memory_end.h"
#include "large/metis_reader.h"
#include "large/pajek_reader.h"
#include "large/parallel_pass.h"
#include "large/sniff.h"

namespace ugraph {

static std::uint32_t cpus_to_run_on() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) {
        return static_cast<std::uint32_t>(CPU_COUNT(&cpus));
    }
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<std::uint32_t>(online) : 1;
}

std::uint32_t default_threads() {
    return std::min(cpus_to_run_on(), MAX_THREADS);
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

static PassOptions pass_options(const FileRun& run) {
    const GraphFileOptions& o = *run.options;
    return PassOptions{run.threads, shows_progress(o), run.kept, o.blockSize, run.sniffed.grammar};
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

// The node index the sniff asks for; a Matrix Market file's nodes are every
// row and column, linked or not, and a Pajek network's every vertex. A direct table wider than the
// least may be refused its address space: the least then does.
static Failure start_nodes(FileRun& run) {
    const Sniffed& s = run.sniffed;
    if (!make_nodes(run, s.ids, s.directIds) &&
        (s.directIds <= DIRECT_IDS || !make_nodes(run, s.ids, DIRECT_IDS))) {
        return failure(FailureKind::out_of_memory);
    }
    for (std::uint64_t id = 1; id <= s.numbered; id++) {
        mark_node(*run.nodes, static_cast<std::uint32_t>(id + 1));
    }
    for (std::uint64_t id = 1; s.format == InputFormat::metis && id <= s.metis.nodes; id++) {
        mark_node(*run.nodes, static_cast<std::uint32_t>(id + 1));
    }
    return failure(FailureKind::none);
}

static Failure check_entries(const FileRun& run) {
    const MatrixHeader& m = run.sniffed.matrix;
    if (run.sniffed.format != InputFormat::mtx || run.pass.links == m.entries) {
        return failure(FailureKind::none);
    }
    Failure f = failure(FailureKind::entries, m.sizeLine);
    f.figures[0] = m.entries;
    f.figures[1] = run.pass.links;
    return f;
}

// Whether an edge list read as numbers, whose ids the file was to tell,
// turns out to hold a name where it can be read again: then the whole file
// is read again as names.
static bool reads_as_names(const FileRun& run) {
    return (run.sniffed.format == InputFormat::edges ||
            run.sniffed.format == InputFormat::adjlist) &&
           run.pass.failure.kind == FailureKind::not_a_number &&
           run.options->dialect.ids == IdChoice::from_file && run.source.again;
}

// A pass counts a fault's line from where the links begin; the report
// counts it from the file's first line.
static Failure from_first_line(const FileRun& run, Failure f) {
    f.line += f.line != 0 ? run.sniffed.lineBase : 0;
    return f;
}

static Failure read_pass(FileRun& run) {
    read_links(run.source, *run.nodes, pass_options(run), run.pass);
    return from_first_line(run, run.pass.failure);
}

// Reads the file once: every node, and every link joined in the forest.
static Failure read_file(FileRun& run) {
    const GraphFileOptions& o = *run.options;
    Failure f = sniff(run.source, o, run.sniffed);
    f = failed(f) ? f : start_nodes(run);
    if (failed(f)) {
        return f;
    }
    if (run.sniffed.format == InputFormat::dot) {
        run.kept = true;
        return read_dot_links(run.source, *run.nodes, run.pass, shows_progress(o));
    }
    if (run.sniffed.format == InputFormat::graphml) {
        run.kept = walks(o.format) || reads_links_again(o); // read on one thread, once only
        return read_graphml_links(run.source, *run.nodes,
                                  GraphmlOptions{run.threads, run.kept, shows_progress(o)},
                                  run.pass);
    }
    if (run.sniffed.format == InputFormat::metis) {
        run.kept = walks(o.format) || reads_links_again(o); // its lines are not read again
        return read_metis_links(run.source, *run.nodes, run.sniffed.metis, run.kept, run.pass,
                                shows_progress(o));
    }
    if (run.sniffed.format == InputFormat::pajek || run.sniffed.format == InputFormat::gml) {
        run.kept = walks(o.format) || reads_links_again(o); // read on one thread, once only
        return run.sniffed.format == InputFormat::gml
                   ? read_gml_links(run.source, *run.nodes, run.kept, run.pass, shows_progress(o))
                   : read_pajek_links(run.source, run.sniffed.pajek, *run.nodes, run.kept, run.pass,
                                      shows_progress(o));
    }
    run.kept = walks(o.format) || (reads_links_again(o) && !run.source.regular);
    f = read_pass(run);
    if (reads_as_names(run)) {
        run.sniffed.ids = IdKind::names;
        f = start_nodes(run);
        f = failed(f) ? f : rewind_source(run.source);
        f = failed(f) ? f : read_pass(run);
    }
    return failed(f) ? f : check_entries(run);
}

Failure open_and_read(const char* name, FileRun& run) {
    const Failure f = open_source(name, run.source);
    return failed(f) ? f : read_file(run);
}

// The number of the component --component names, or the failure to find it.
static Failure choose_component(const FileRun& run, const ComponentLabels& labels,
                                std::uint32_t& only) {
    const ComponentChoice& c = run.options->component;
    const std::uint64_t k = c.largest ? largest_component(labels) : c.number;
    if (k >= 1 && k <= labels.sizes.size()) {
        only = static_cast<std::uint32_t>(k);
        return failure(FailureKind::none);
    }
    Failure f = failure(FailureKind::no_component);
    f.figures[0] = labels.sizes.size();
    f.figures[1] = c.largest ? 0 : c.number;
    return f;
}

// Shows every link to the output again: the kept ones, or those of a second
// reading of the file, in the file's order.
static Failure show_links_again(FileRun& run, EdgeOutput& out) {
    if (run.kept) {
        for_each_kept_link(run.pass.kept, run.pass.spans,
                           [&out](std::uint32_t a, std::uint32_t b) { take_link(out, a, b); });
        return failure(FailureKind::none);
    }
    return from_first_line(run, replay_links(run.source, *run.nodes, pass_options(run), out));
}

static Failure write_links(FileRun& run, const ComponentLabels& labels, std::uint32_t only) {
    const FileFormat format = run.options->format;
    Failure f = format == FileFormat::edges ? names_fit_lines(*run.nodes, labels.order)
                                            : failure(FailureKind::none);
    if (failed(f)) {
        return f;
    }
    EdgeOutput out;
    start_edge_output(out, *run.nodes, labels, only, format == FileFormat::edges);
    f = show_links_again(run, out);
    if (failed(f)) {
        return f;
    }
    if (format == FileFormat::edges) {
        write_lone_nodes(out);
    } else {
        const std::uint64_t size = labels.sizes[only - 1];
        print_summary_line(run.source.name, out.links, Tally{size, 1, size});
    }
    return f;
}

static ReportFormat report_format(FileFormat format) {
    return format == FileFormat::text   ? ReportFormat::text
           : format == FileFormat::json ? ReportFormat::json
                                        : ReportFormat::dot;
}

static Failure write_results(FileRun& run) {
    const GraphFileOptions& o = *run.options;
    if (!walks(o.format) && (!reads_links_again(o) || run.kept)) {
        drop_hash_slots(*run.nodes); // no id is looked up any more
    }
    if (o.format == FileFormat::summary && !o.component.given) {
        Tally tally{};
        if (!count_components(*run.nodes, tally)) {
            return failure(FailureKind::out_of_memory);
        }
        print_summary_line(run.source.name, run.pass.links, tally);
        return failure(FailureKind::none);
    }
    ComponentLabels labels;
    if (!label_components(*run.nodes, labels)) {
        return failure(FailureKind::out_of_memory);
    }
    std::uint32_t only = 0;
    Failure f =
        o.component.given ? choose_component(run, labels, only) : failure(FailureKind::none);
    if (failed(f)) {
        return f;
    }
    if (walks(o.format)) {
        const bool written =
            write_component_walk(*run.nodes, labels, run.pass.kept, run.source.name, run.pass.links,
                                 report_writer(report_format(o.format)), only, shows_progress(o));
        return written ? f : failure(FailureKind::out_of_memory);
    }
    if (o.format == FileFormat::labels) {
        print_labels(*run.nodes, labels, only);
        return f;
    }
    return write_links(run, labels, only);
}

static Failure run_file(const char* name, const GraphFileOptions& options, std::uint32_t threads) {
    FileRun run{};
    run.options = &options;
    run.threads = threads;
    Failure f = open_and_read(name, run);
    f = failed(f) ? f : write_results(run);
    flush_output();
    close_source(run.source);
    return f;
}

int run_graph_files(char* const* files, int count, const GraphFileOptions& options) {
    // Memory that a standard container or a library cannot do without ends the run.
    const std::new_handler previous = std::set_new_handler(end_out_of_memory);
    const std::uint32_t threads = options.threads != 0 ? options.threads : default_threads();
    int status = 0;
    for (int i = 0; i < count; i++) {
        read_memory_for(files[i]);
        const Failure f = run_file(files[i], options, threads);
        if (failed(f)) {
            report(files[i], f);
            status = 1;
        }
    }
    std::set_new_handler(previous);
    return status;
}

} // namespace ugraph
