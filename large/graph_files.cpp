// Graph files (the components of graph files of any size, one FILE operand after another)
#include "large/graph_files.h"

#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "console/console.h"
#include "large/component_tally.h"
#include "large/component_walk.h"
#include "large/graph_reports.h"
#include "large/link_pass.h"

namespace ugraph {

using Figure = unsigned long long;

static const char* currentFile = "-"; // for the message when memory runs out

// Memory running out anywhere, on any thread, ends the run with a message
// instead of an exception.
static void out_of_memory() {
    std::fprintf(stderr, "ugraph: %s: out of memory\n", currentFile);
    std::fflush(stderr);
    std::_Exit(1);
}

static std::uint32_t default_threads() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) {
        return static_cast<std::uint32_t>(CPU_COUNT(&cpus));
    }
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<std::uint32_t>(online) : 1;
}

// The field a message names, on one line.
static void print_field(const std::vector<char>& field) {
    for (const char c : field) {
        print_error("%c", static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    }
}

static void report_fault(const char* name, const PassResult& r, const NodeIndex& nodes) {
    const auto line = static_cast<Figure>(r.faultLine);
    switch (r.fault) {
    case LineFault::empty_id:
        print_error("ugraph: %s:%llu: empty node id\n", name, line);
        break;
    case LineFault::not_a_number:
        print_error("ugraph: %s:%llu: '", name, line);
        print_field(r.faultField);
        print_error("' is not a node number (use --ids=names)\n");
        break;
    case LineFault::too_large:
        print_error("ugraph: %s:%llu: node number ", name, line);
        print_field(r.faultField);
        print_error(" is too large\n");
        break;
    case LineFault::unclosed_quote:
        print_error("ugraph: %s:%llu: unclosed quote\n", name, line);
        break;
    case LineFault::no_room:
        if (nodes.hashed.load() >= MAX_NODES) {
            const Figure most = Figure{MAX_NODES} + DIRECT_IDS;
            print_error("ugraph: %s: more nodes than ugraph can hold (%llu)\n", name, most);
        } else {
            print_error("ugraph: %s: out of memory\n", name);
        }
        break;
    case LineFault::none:
        break;
    }
}

static bool write_results(const char* name, NodeIndex& nodes, PassResult& pass, FileFormat format) {
    if (format == FileFormat::text || format == FileFormat::json || format == FileFormat::dot) {
        const WalkFormat walk = format == FileFormat::text   ? WalkFormat::text
                                : format == FileFormat::json ? WalkFormat::json
                                                             : WalkFormat::dot;
        return write_component_walk(nodes, pass.kept, name, pass.links, walk);
    }
    drop_hash_slots(nodes);
    Tally tally{};
    tally_components(nodes, tally);
    if (format == FileFormat::summary) {
        print_summary_line(name, pass.links, tally);
        return true;
    }
    NodeOrder order;
    order_nodes(nodes, order);
    std::vector<std::uint32_t> sizes;
    number_components(nodes, order, sizes);
    print_labels(nodes, order);
    return true;
}

static IdKind id_kind(GraphSource& source, IdChoice ids, bool& read) {
    read = true;
    if (ids != IdChoice::from_file) {
        return ids == IdChoice::numbers ? IdKind::numbers : IdKind::names;
    }
    bool numbers = true;
    read = first_id_numbers(source, numbers);
    return numbers ? IdKind::numbers : IdKind::names;
}

// One file, from opening it to its results; false when it cannot be read.
static bool run_graph_file(GraphSource& source, const GraphFileOptions& options,
                           std::uint32_t threads) {
    bool read = true;
    const IdKind kind = id_kind(source, options.ids, read);
    if (!read) {
        report_read_error(source, errno);
        return false;
    }
    std::unique_ptr<NodeIndex> nodes = make_node_index(kind);
    if (!nodes) {
        out_of_memory();
    }
    const bool walks = options.format == FileFormat::text || options.format == FileFormat::json ||
                       options.format == FileFormat::dot;
    const PassOptions passOptions{threads, !options.quiet && isatty(STDERR_FILENO) != 0, walks,
                                  options.blockSize};
    PassResult pass;
    read_links(source, *nodes, passOptions, pass);
    if (pass.readError != 0) {
        report_read_error(source, pass.readError);
        return false;
    }
    if (pass.fault != LineFault::none) {
        report_fault(source.name, pass, *nodes);
        return false;
    }
    if (!write_results(source.name, *nodes, pass, options.format)) {
        print_error("ugraph: %s: out of memory\n", source.name);
        return false;
    }
    std::fflush(stdout);
    return true;
}

int run_graph_files(char* const* files, int count, const GraphFileOptions& options) {
    const std::new_handler previous = std::set_new_handler(out_of_memory);
    const std::uint32_t threads = options.threads != 0 ? options.threads : default_threads();
    int status = 0;
    for (int i = 0; i < count; i++) {
        currentFile = files[i];
        GraphSource source{};
        if (!open_source(files[i], source)) {
            status = 1;
            continue;
        }
        if (!run_graph_file(source, options, threads)) {
            status = 1;
        }
        close_source(source);
    }
    std::set_new_handler(previous);
    return status;
}

} // namespace ugraph
