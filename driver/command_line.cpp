// Command line (reads the options and runs the dialogue or one of the modes)
#include "driver/command_line.h"

#include <getopt.h>

#include <cstdint>
#include <cstring>

#include "console/console.h"
#include "driver/edit_run.h"
#include "driver/file_modes.h"
#include "driver/main_dialogue.h"
#include "input/data_inputs.h"
#include "large/graph_files.h"

namespace ugraph {

// Long-only options, apart from any letter.
enum OptionCode : int {
    VERSION = 256,
    FORMAT,
    IDS,
    INPUT_FORMAT,
    COMPONENT,
    SEPARATOR,
    HEADER,
    NO_HEADER,
    COLUMNS
};

static const char SHORT_OPTIONS[] = ":hf:lg:ej:q"; // ':' first: a missing value is told apart

static const option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, VERSION},
    {"file", required_argument, nullptr, 'f'},
    {"list", no_argument, nullptr, 'l'},
    {"graph", required_argument, nullptr, 'g'},
    {"format", required_argument, nullptr, FORMAT},
    {"edit", no_argument, nullptr, 'e'},
    {"ids", required_argument, nullptr, IDS},
    {"threads", required_argument, nullptr, 'j'},
    {"quiet", no_argument, nullptr, 'q'},
    {"input-format", required_argument, nullptr, INPUT_FORMAT},
    {"component", required_argument, nullptr, COMPONENT},
    {"separator", required_argument, nullptr, SEPARATOR},
    {"header", no_argument, nullptr, HEADER},
    {"no-header", no_argument, nullptr, NO_HEADER},
    {"columns", required_argument, nullptr, COLUMNS},
    {nullptr, 0, nullptr, 0},
};

static const char USAGE[] =
    "Usage: ugraph [OPTION]... [FILE]...\n"
    "Find the connected components of an undirected graph. Without options, ask\n"
    "where the graph comes from (keyboard or data file) and report its components.\n"
    "With FILE operands, read each FILE (- for standard input) as a graph of any\n"
    "size and write its components: an edge list (one link per line as two node\n"
    "ids), a Matrix Market file, a Graphviz DOT graph, a Pajek network, a GML\n"
    "graph or a GraphML document (or, by --input-format, an adjacency list or a\n"
    "METIS file), any of them compressed with gzip, xz, bzip2 or zstd.\n"
    "\n"
    "  -f, --file=PATH    use the data file PATH instead of GraphDataFile2.txt\n"
    "                     (- : standard input, with --list or --graph)\n"
    "  -l, --list         list every graph of the data file with its figures\n"
    "  -g, --graph=N      report the components of graph N of the data file\n"
    "      --format=FMT   the report of --graph as text (the default), dot or json;\n"
    "                     of a FILE as summary (the default), labels, text, json,\n"
    "                     dot or edges (its links as an edge list)\n"
    "  -e, --edit         edit a graph and save it into the data file\n"
    "      --ids=KIND     read a FILE's node ids as numbers or names (by default,\n"
    "                     numbers unless another id is found)\n"
    "      --separator=C  an edge list's fields are separated by C: one byte, or\n"
    "                     tab, space (runs of blanks and tabs), comma or semicolon\n"
    "                     (by default, as its first data line shows)\n"
    "      --header, --no-header  the first data line of an edge list is a header,\n"
    "                     or data (by default, as it and the next line show)\n"
    "      --columns=I,J  the ids of a link are fields I and J (from 1) of its line\n"
    "      --input-format=KIND  read a FILE as edges, mtx, dot, adjlist, metis, pajek,\n"
    "                     gml or graphml (by default, as its content shows)\n"
    "      --component=K  write only component K of a FILE, or the largest one\n"
    "                     (--component=largest)\n"
    "  -j, --threads=N    read a FILE on N threads (default: every CPU)\n"
    "  -q, --quiet        show no progress line while a FILE is read or its\n"
    "                     report is built\n"
    "  -h, --help         show this help and exit\n"
    "      --version      show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the data file, a graph or a FILE cannot be\n"
    "used, 2 for wrong usage.\n";

inline constexpr std::uint32_t MAX_FIELD = 1000000; // of --columns

// What the command line asks for; a repeated option counts as its last value.
struct Options {
    bool list;
    bool edit;
    bool quiet;
    bool fromInput;        // --file - : the data file comes on standard input
    const char* file;      // the value of --file, nullptr when not given
    const char* graph;     // the value of --graph, nullptr when not given
    const char* format;    // the value of --format, nullptr when not given
    const char* ids;       // the value of --ids, nullptr when not given
    const char* threads;   // the value of --threads, nullptr when not given
    const char* input;     // the value of --input-format, nullptr when not given
    const char* component; // the value of --component, nullptr when not given
    const char* separator; // the value of --separator, nullptr when not given
    const char* columns;   // the value of --columns, nullptr when not given
    HeaderChoice header;   // the last of --header and --no-header
    char* const* files;    // the FILE operands
    int fileCount;
};

// Ends a message of wrong usage: the status it gives.
static int point_to_help() {
    print_error("\nTry 'ugraph --help'.\n");
    return 2;
}

[[gnu::format(printf, 1, 0)]] static int wrong_usage(const char* format, const char* text) {
    print_error(format, text);
    return point_to_help();
}

// The option getopt_long stopped at, as the user typed it.
static int unknown_option(char** argv) {
    const char* typed = argv[optind - 1];
    if (optopt == 0) {
        return wrong_usage("ugraph: unrecognized option '%s'", typed);
    }
    if (optopt == VERSION || optopt == HEADER || optopt == NO_HEADER ||
        std::strchr("hleq", optopt) != nullptr) {
        return wrong_usage("ugraph: option '%s' takes no value", typed);
    }
    const char letter[] = {static_cast<char>(optopt), '\0'};
    return wrong_usage("ugraph: invalid option -- '%s'", letter);
}

// A whole number: digits only; one too large for 32 bits becomes the largest
// number, which neither a data file's graphs nor the threads reach. 0 when
// malformed.
static std::int32_t whole_number(const char* text) {
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

// Sets `value` to the one of `values` that `text` names; false when none is.
template <typename Value, std::size_t N>
static bool named(const char* text, const char* const (&names)[N], const Value (&values)[N],
                  Value& value) {
    for (std::size_t i = 0; i < N; i++) {
        if (std::strcmp(text, names[i]) == 0) {
            value = values[i];
            return true;
        }
    }
    return false;
}

static const char* const FORMAT_NAMES[] = {"text", "dot", "json"};
static const ReportFormat FORMATS[] = {ReportFormat::text, ReportFormat::dot, ReportFormat::json};
static const char* const FILE_FORMAT_NAMES[] = {"summary", "labels", "text",
                                                "json",    "dot",    "edges"};
static const FileFormat FILE_FORMATS[] = {FileFormat::summary, FileFormat::labels,
                                          FileFormat::text,    FileFormat::json,
                                          FileFormat::dot,     FileFormat::edges};
static const char* const INPUT_NAMES[] = {"edges", "mtx",   "dot", "adjlist",
                                          "metis", "pajek", "gml", "graphml"};
static const InputChoice INPUTS[] = {InputChoice::edges,   InputChoice::mtx,    InputChoice::dot,
                                     InputChoice::adjlist, InputChoice::metis,  InputChoice::pajek,
                                     InputChoice::gml,     InputChoice::graphml};

// The first of the options that name the data file or its modes, or nullptr.
static const char* data_file_option(const Options& o) {
    if (o.file != nullptr) {
        return "--file";
    }
    if (o.list) {
        return "--list";
    }
    if (o.graph != nullptr) {
        return "--graph";
    }
    return o.edit ? "--edit" : nullptr;
}

// A component's number from 1 up, or "largest".
static bool component_named(const char* text, ComponentChoice& component) {
    component.given = true;
    component.largest = std::strcmp(text, "largest") == 0;
    component.number = 0;
    for (const char* c = text; !component.largest && *c != '\0'; c++) {
        if (*c < '0' || *c > '9' || component.number > (UINT64_MAX - 9) / 10) {
            return false;
        }
        component.number = component.number * 10 + static_cast<std::uint64_t>(*c - '0');
    }
    return component.largest || component.number > 0;
}

// The separator --separator names: one byte, or a word for one.
bool separator_named(const char* text, char& separator) {
    static const char* const NAMES[] = {"tab", "space", "comma", "semicolon"};
    static const char SEPARATORS[] = {'\t', BLANKS, ',', ';'};
    if (named(text, NAMES, SEPARATORS, separator)) {
        return true;
    }
    // A quote opens a quoted name, and line ends end lines.
    separator = text[0];
    return text[0] != '\0' && text[1] == '\0' && std::strchr("\"\r\n", text[0]) == nullptr;
}

// A field number from 1 up, ended by `end`; 0 when malformed.
static std::uint32_t field_number(const char*& text, char end) {
    std::uint32_t value = 0;
    const char* start = text;
    for (; *text >= '0' && *text <= '9'; text++) {
        value = value > MAX_FIELD / 10 ? MAX_FIELD + 1
                                       : value * 10 + static_cast<std::uint32_t>(*text - '0');
    }
    return text > start && *text == end && value <= MAX_FIELD ? value : 0;
}

// --columns=I,J: two different field numbers.
bool columns_named(const char* text, DialectChoice& dialect) {
    dialect.first = field_number(text, ',');
    text += *text == ',' ? 1 : 0;
    dialect.second = field_number(text, '\0');
    return dialect.first != 0 && dialect.second != 0 && dialect.first != dialect.second;
}

bool input_named(const char* text, InputChoice& input) {
    return named(text, INPUT_NAMES, INPUTS, input);
}

// The first of the options that go with FILE operands only, or nullptr.
static const char* file_option(const Options& o) {
    if (o.ids != nullptr) {
        return "--ids";
    }
    if (o.separator != nullptr) {
        return "--separator";
    }
    if (o.header != HeaderChoice::from_file) {
        return o.header == HeaderChoice::yes ? "--header" : "--no-header";
    }
    if (o.columns != nullptr) {
        return "--columns";
    }
    if (o.input != nullptr) {
        return "--input-format";
    }
    if (o.component != nullptr) {
        return "--component";
    }
    if (o.threads != nullptr) {
        return "--threads";
    }
    return o.quiet ? "--quiet" : nullptr;
}

// Checks the options that go with FILE operands and reads the files.
static int run_files(const Options& o) {
    GraphFileOptions options{};
    options.quiet = o.quiet;
    if (data_file_option(o) != nullptr) {
        return wrong_usage("ugraph: %s takes no FILE operand", data_file_option(o));
    }
    if (o.format != nullptr && !named(o.format, FILE_FORMAT_NAMES, FILE_FORMATS, options.format)) {
        return wrong_usage("ugraph: the format of a FILE must be summary, labels, text, json, dot "
                           "or edges, not '%s'",
                           o.format);
    }
    if (o.fileCount > 1 && options.format != FileFormat::summary) {
        return wrong_usage("ugraph: --format=%s takes one FILE", o.format);
    }
    if (o.ids != nullptr && std::strcmp(o.ids, "numbers") != 0 &&
        std::strcmp(o.ids, "names") != 0) {
        return wrong_usage("ugraph: --ids must be numbers or names, not '%s'", o.ids);
    }
    if (o.ids != nullptr) {
        options.dialect.ids =
            std::strcmp(o.ids, "numbers") == 0 ? IdChoice::numbers : IdChoice::names;
    }
    options.dialect.header = o.header;
    if (o.separator != nullptr && !separator_named(o.separator, options.dialect.separator)) {
        return wrong_usage("ugraph: --separator must be one byte other than a quote or a line "
                           "end, or tab, space, comma or semicolon, not '%s'",
                           o.separator);
    }
    if (o.columns != nullptr && !columns_named(o.columns, options.dialect)) {
        return wrong_usage("ugraph: --columns must be two different field numbers from 1 up, "
                           "such as 2,3, not '%s'",
                           o.columns);
    }
    if (o.input != nullptr && !named(o.input, INPUT_NAMES, INPUTS, options.input)) {
        return wrong_usage("ugraph: --input-format must be edges, mtx, dot, adjlist, metis, pajek, "
                           "gml or graphml, not '%s'",
                           o.input);
    }
    if (o.component != nullptr && !component_named(o.component, options.component)) {
        return wrong_usage("ugraph: --component must be a component number from 1 up or largest, "
                           "not '%s'",
                           o.component);
    }
    if (o.threads != nullptr) {
        const std::int32_t threads = whole_number(o.threads);
        if (threads < 1 || threads > static_cast<std::int32_t>(MAX_THREADS)) {
            print_error("ugraph: the thread count must be a whole number from 1 to %d, not '%s'",
                        static_cast<int>(MAX_THREADS), o.threads);
            return point_to_help();
        }
        options.threads = static_cast<std::uint32_t>(threads);
    }
    return run_graph_files(o.files, o.fileCount, options);
}

// Every mode but the dialogue ends by making sure its output was written.
static int finished(int status) {
    return finish_output() ? status : 1;
}

// Checks the options taken together and runs what they ask for.
static int run_options(const Options& o) {
    ReportFormat format = ReportFormat::text;
    if (o.fileCount > 0) {
        return finished(run_files(o));
    }
    if (file_option(o) != nullptr) {
        return wrong_usage("ugraph: %s goes with a FILE operand", file_option(o));
    }
    if (static_cast<int>(o.list) + static_cast<int>(o.graph != nullptr) + static_cast<int>(o.edit) >
        1) {
        return wrong_usage("ugraph: %s", "--list, --graph and --edit exclude one another");
    }
    if (o.graph != nullptr && whole_number(o.graph) == 0) {
        return wrong_usage("ugraph: the graph number must be a whole number from 1 up, not '%s'",
                           o.graph);
    }
    FileFormat fileFormat = FileFormat::summary;
    if (o.format != nullptr && !named(o.format, FORMAT_NAMES, FORMATS, format) &&
        named(o.format, FILE_FORMAT_NAMES, FILE_FORMATS, fileFormat)) {
        return wrong_usage("ugraph: --format=%s goes with a FILE operand", o.format);
    }
    if (o.format != nullptr && !named(o.format, FORMAT_NAMES, FORMATS, format)) {
        return wrong_usage("ugraph: the format must be text, dot or json, not '%s'", o.format);
    }
    if (o.format != nullptr && o.graph == nullptr) {
        return wrong_usage("ugraph: %s", "--format goes with --graph or a FILE operand");
    }
    if (o.fromInput && !o.list && o.graph == nullptr) { // the answers come on standard input
        return wrong_usage("ugraph: %s", "--file - (standard input) goes with --list or --graph");
    }
    if (o.edit) {
        return finished(run_edit());
    }
    if (o.list) {
        return finished(list_graphs());
    }
    if (o.graph != nullptr) {
        return finished(show_graph(whole_number(o.graph), format));
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
            o.files = argv + optind;
            o.fileCount = argc - optind;
            return run_options(o);
        case 'h':
            print_format("%s", USAGE);
            return finished(0);
        case VERSION:
            print_format("ugraph %s\n", UGRAPH_VERSION);
            return finished(0);
        case 'f':
            use_graph_file(optarg);
            o.file = optarg;
            o.fromInput = std::strcmp(optarg, "-") == 0;
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
        case IDS:
            o.ids = optarg;
            break;
        case 'j':
            o.threads = optarg;
            break;
        case 'q':
            o.quiet = true;
            break;
        case INPUT_FORMAT:
            o.input = optarg;
            break;
        case COMPONENT:
            o.component = optarg;
            break;
        case SEPARATOR:
            o.separator = optarg;
            break;
        case HEADER:
            o.header = HeaderChoice::yes;
            break;
        case NO_HEADER:
            o.header = HeaderChoice::no;
            break;
        case COLUMNS:
            o.columns = optarg;
            break;
        case ':':
            return wrong_usage("ugraph: option '%s' needs a value", argv[optind - 1]);
        default:
            return unknown_option(argv);
        }
    }
}

} // namespace ugraph
