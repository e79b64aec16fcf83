// Command line (reads the options and runs the dialogue or one of the modes)
#include "driver/command_line.h"

#include <getopt.h>

#include <cstring>

#include "console/console.h"
#include "driver/edit_run.h"
#include "driver/file_modes.h"
#include "driver/main_dialogue.h"
#include "input/data_inputs.h"

namespace ugraph {

enum OptionCode : int { VERSION = 256, FORMAT }; // long-only options, apart from any letter

static const char SHORT_OPTIONS[] = ":hf:lg:e"; // ':' first: a missing value is told apart

static const option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, 'h'},        {"version", no_argument, nullptr, VERSION},
    {"file", required_argument, nullptr, 'f'},  {"list", no_argument, nullptr, 'l'},
    {"graph", required_argument, nullptr, 'g'}, {"format", required_argument, nullptr, FORMAT},
    {"edit", no_argument, nullptr, 'e'},        {nullptr, 0, nullptr, 0},
};

static const char USAGE[] =
    "Usage: ugraph [OPTION]...\n"
    "Find the connected components of an undirected graph. Without options, ask\n"
    "where the graph comes from (keyboard or data file) and report its components.\n"
    "\n"
    "  -f, --file=PATH    use the data file PATH instead of GraphDataFile2.txt\n"
    "  -l, --list         list every graph of the data file with its figures\n"
    "  -g, --graph=N      report the components of graph N of the data file\n"
    "      --format=FMT   the report of --graph as text (the default), dot or json\n"
    "  -e, --edit         edit a graph and save it into the data file\n"
    "  -h, --help         show this help and exit\n"
    "      --version      show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the data file or a graph cannot be used,\n"
    "2 for wrong usage.\n";

// What the command line asks for; a repeated option counts as its last value.
struct Options {
    bool list;
    bool edit;
    const char* graph;  // the value of --graph, nullptr when not given
    const char* format; // the value of --format, nullptr when not given
};

[[gnu::format(printf, 1, 0)]] static int wrong_usage(const char* format, const char* text) {
    print_error(format, text);
    print_error("\nTry 'ugraph --help'.\n");
    return 2;
}

// The option getopt_long stopped at, as the user typed it.
static int unknown_option(char** argv) {
    const char* typed = argv[optind - 1];
    if (optopt == 0) {
        return wrong_usage("ugraph: unrecognized option '%s'", typed);
    }
    if (optopt >= VERSION || std::strchr("hle", optopt) != nullptr) {
        return wrong_usage("ugraph: option '%s' takes no value", typed);
    }
    const char letter[] = {static_cast<char>(optopt), '\0'};
    return wrong_usage("ugraph: invalid option -- '%s'", letter);
}

// A graph number: digits only, from 1 up; one too large for 32 bits becomes
// the largest number, which no data file reaches. 0 when malformed.
static std::int32_t graph_number(const char* text) {
    std::int32_t value = 0;
    if (*text == '\0') {
        return 0;
    }
    for (; *text != '\0'; text++) {
        if (*text < '0' || *text > '9') {
            return 0;
        }
        value = append_digit(value, *text - '0');
    }
    return value;
}

static bool format_named(const char* text, Format& format) {
    const char* const names[] = {"text", "dot", "json"};
    const Format formats[] = {Format::text, Format::dot, Format::json};
    for (std::int32_t i = 0; i < 3; i++) {
        if (std::strcmp(text, names[i]) == 0) {
            format = formats[i];
            return true;
        }
    }
    return false;
}

// Checks the options taken together and runs what they ask for.
static int run_options(const Options& o) {
    Format format = Format::text;
    if (static_cast<int>(o.list) + static_cast<int>(o.graph != nullptr) + static_cast<int>(o.edit) >
        1) {
        return wrong_usage("ugraph: %s", "--list, --graph and --edit exclude one another");
    }
    if (o.graph != nullptr && graph_number(o.graph) == 0) {
        return wrong_usage("ugraph: the graph number must be a whole number from 1 up, not '%s'",
                           o.graph);
    }
    if (o.format != nullptr && !format_named(o.format, format)) {
        return wrong_usage("ugraph: the format must be text, dot or json, not '%s'", o.format);
    }
    if (o.format != nullptr && o.graph == nullptr) {
        return wrong_usage("ugraph: %s", "--format goes with --graph");
    }
    if (o.edit) {
        return run_edit();
    }
    if (o.list) {
        return list_graphs();
    }
    if (o.graph != nullptr) {
        return show_graph(graph_number(o.graph), format);
    }
    run_dialogue();
    return 0;
}

int run_command_line(int argc, char** argv) {
    Options o{};
    use_graph_file(nullptr);
    optind = 0; // a fresh scan, also when called more than once
    opterr = 0; // every message is this program's own
    for (;;) {
        const int code = getopt_long(argc, argv, SHORT_OPTIONS, LONG_OPTIONS, nullptr);
        switch (code) {
        case -1:
            if (optind < argc) {
                return wrong_usage("ugraph: unexpected operand '%s'", argv[optind]);
            }
            return run_options(o);
        case 'h':
            print_format("%s", USAGE);
            return 0;
        case VERSION:
            print_format("ugraph %s\n", UGRAPH_VERSION);
            return 0;
        case 'f':
            use_graph_file(optarg);
            break;
        case 'l':
            o.list = true;
            break;
        case 'g':
            o.graph = optarg;
            break;
        case FORMAT:
            o.format = optarg;
            break;
        case 'e':
            o.edit = true;
            break;
        case ':':
            return wrong_usage("ugraph: option '%s' needs a value", argv[optind - 1]);
        default:
            return unknown_option(argv);
        }
    }
}

} // namespace ugraph
