// The Python module ugraph (the components of a graph file or of arrays, handed back as numpy
// arrays)
//
// A thin layer over the any-size room: read() runs the stages the command
// line runs and numbers the components as --format=labels does;
// connected_components() joins an array's links in the same forest. The
// C++ work runs with the GIL released; the arrays it fills are numpy's own.
// Python's exceptions are raised here only, from the Failure a stage returns.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/console.h"
#include "driver/command_line.h"
#include "large/graph_values.h"
#include "large/memory_end.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace ugraph {

static PyObject* errorType = nullptr; // ugraph.Error, made when the module is

[[noreturn]] static void python_error(PyObject* type, const char* message) {
    PyErr_SetString(type, message);
    throw py::error_already_set();
}

[[noreturn]] static void python_error(PyObject* type, const std::string& message) {
    python_error(type, message.c_str());
}

// The line the command line writes for the failure, without its newline.
static std::string failure_message(const std::string& file, const Failure& f) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&text, &size);
    if (stream == nullptr) {
        python_error(PyExc_MemoryError, "out of memory");
    }
    use_error_stream(stream);
    report(file.c_str(), f);
    use_error_stream(nullptr);
    std::fclose(stream);
    std::string message(text, size);
    std::free(text); // NOLINT(cppcoreguidelines-no-malloc): open_memstream's buffer
    while (!message.empty() && message.back() == '\n') {
        message.pop_back();
    }
    return message;
}

[[noreturn]] static void raise_object(const py::object& error) {
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
}

// OSError for a call that failed, MemoryError, or ugraph.Error with the
// file, the line (None for the whole file) and the command line's message.
[[noreturn]] static void raise_failure(const std::string& file, const Failure& f) {
    if (f.kind == FailureKind::out_of_memory) {
        python_error(PyExc_MemoryError, failure_message(file, f));
    }
    if (f.kind == FailureKind::system) {
        const int error = f.error != 0 ? f.error : EIO;
        raise_object(py::handle(PyExc_OSError)(error, std::strerror(error), file));
    }
    py::object error = py::handle(errorType)(failure_message(file, f));
    error.attr("file") = file;
    error.attr("line") = f.line != 0 ? py::object(py::int_(f.line)) : py::object(py::none());
    raise_object(error);
}

static std::uint32_t thread_count(const py::object& threads) {
    if (threads.is_none()) {
        return default_threads();
    }
    const auto count = threads.cast<long long>();
    if (count < 1 || count > MAX_THREADS) {
        python_error(PyExc_ValueError, "threads must be a whole number from 1 to " +
                                           std::to_string(MAX_THREADS) + ", not " +
                                           std::to_string(count));
    }
    return static_cast<std::uint32_t>(count);
}

// --- read -----------------------------------------------------------------

// The options as the command line's would set them.
static GraphFileOptions file_options(const py::object& ids, const py::object& input,
                                     const py::object& separator, const py::object& header,
                                     const py::object& columns) {
    GraphFileOptions o{};
    o.format = FileFormat::labels;
    o.quiet = true;
    if (!ids.is_none()) {
        const auto text = ids.cast<std::string>();
        if (text != "numbers" && text != "names") {
            python_error(PyExc_ValueError, "ids must be 'numbers' or 'names', not '" + text + "'");
        }
        o.dialect.ids = text == "numbers" ? IdChoice::numbers : IdChoice::names;
    }
    if (!input.is_none() && !input_named(input.cast<std::string>().c_str(), o.input)) {
        python_error(PyExc_ValueError,
                     "input_format must be a format the command line's --input-format "
                     "names, not '" +
                         input.cast<std::string>() + "'");
    }
    if (!separator.is_none() &&
        !separator_named(separator.cast<std::string>().c_str(), o.dialect.separator)) {
        python_error(PyExc_ValueError,
                     "separator must be one byte other than a quote or a line end, "
                     "or 'tab', 'space', 'comma' or 'semicolon', not '" +
                         separator.cast<std::string>() + "'");
    }
    if (!header.is_none()) {
        o.dialect.header = header.cast<bool>() ? HeaderChoice::yes : HeaderChoice::no;
    }
    if (!columns.is_none()) {
        const std::string text = py::isinstance<py::str>(columns)
                                     ? columns.cast<std::string>()
                                     : py::str("{},{}")
                                           .format(columns[py::int_(0)], columns[py::int_(1)])
                                           .cast<std::string>();
        if (!columns_named(text.c_str(), o.dialect)) {
            python_error(PyExc_ValueError, "columns must be two different field numbers from 1 up, "
                                           "such as (2, 3) or '2,3', not '" +
                                               text + "'");
        }
    }
    return o;
}

// A file object is read through its descriptor, from the start of what it
// holds; one without a descriptor has its whole text copied to memory.
struct OpenedPath {
    std::string open;    // the name open() takes
    std::string display; // the name failures give
    int copy = -1;       // a memory file holding the text, closed at the end
    OpenedPath() = default;
    OpenedPath(const OpenedPath&) = delete;
    OpenedPath& operator=(const OpenedPath&) = delete;
    ~OpenedPath() {
        if (copy >= 0) {
            ::close(copy);
        }
    }
};

static void descriptor_path(OpenedPath& p, int fd) {
    p.open = "/proc/self/fd/" + std::to_string(fd);
}

static void copy_to_memory(OpenedPath& p, const py::object& file) {
    py::object text = file.attr("read")();
    if (py::isinstance<py::str>(text)) {
        text = text.attr("encode")("utf-8", "surrogateescape");
    }
    const auto bytes = text.cast<std::string>();
    p.copy = memfd_create("ugraph", MFD_CLOEXEC);
    if (p.copy < 0 ||
        ::write(p.copy, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        raise_failure(p.display, system_failure(errno));
    }
    descriptor_path(p, p.copy);
}

static void open_path(OpenedPath& p, const py::object& path) {
    if (py::hasattr(path, "read")) {
        const py::object name = py::getattr(path, "name", py::none());
        p.display = py::isinstance<py::str>(name) ? name.cast<std::string>() : "<file>";
        try {
            descriptor_path(p, path.attr("fileno")().cast<int>());
        } catch (const py::error_already_set& e) {
            if (!e.matches(PyExc_OSError) && !e.matches(PyExc_AttributeError)) {
                throw; // io.UnsupportedOperation is an OSError
            }
            copy_to_memory(p, path);
        }
        return;
    }
    const py::module_ os = py::module_::import("os");
    p.open = os.attr("fsencode")(path).cast<std::string>();
    p.display = os.attr("fsdecode")(path).cast<std::string>();
    if (p.open == "-") {
        python_error(PyExc_ValueError, "read takes no '-': pass a file object such as sys.stdin");
    }
}

// The values read() gives.
struct GraphResult {
    py::array nodes;
    py::array_t<std::int32_t> labels;
    py::array_t<std::int64_t> sizes;
    std::uint64_t count;
    std::uint64_t links;
    std::uint64_t largest;
};

// Names become str, bytes that are no UTF-8 kept as surrogates (as os.fsdecode does).
static py::array name_array(const LabelledGraph& g) {
    py::array names =
        py::module_::import("numpy").attr("empty")(g.labels.tally.nodes, "dtype"_a = "object");
    auto** slots = static_cast<PyObject**>(names.mutable_data());
    std::uint64_t k = 0;
    for_each_node(*g.run.nodes, g.labels.order, [&g, &k, slots](std::uint32_t index) {
        const NodeId id = id_of(*g.run.nodes, index);
        PyObject* name =
            PyUnicode_DecodeUTF8(id.name, static_cast<Py_ssize_t>(id.length), "surrogateescape");
        if (name == nullptr) {
            throw py::error_already_set();
        }
        Py_SETREF(slots[k], name);
        k++;
    });
    return names;
}

static GraphResult graph_result(const LabelledGraph& g) {
    const ComponentLabels& labels = g.labels;
    const std::uint64_t n = labels.tally.nodes;
    const bool numbers = g.run.nodes->kind == IdKind::numbers;
    GraphResult r{numbers ? py::array_t<std::int64_t>(static_cast<py::ssize_t>(n)) : name_array(g),
                  py::array_t<std::int32_t>(static_cast<py::ssize_t>(n)),
                  py::array_t<std::int64_t>(static_cast<py::ssize_t>(labels.sizes.size())),
                  labels.sizes.size(),
                  g.run.pass.links,
                  largest_component(labels)};
    auto* ids = numbers ? static_cast<std::int64_t*>(r.nodes.mutable_data()) : nullptr;
    std::int32_t* numberOf = r.labels.mutable_data();
    std::int64_t* sizes = r.sizes.mutable_data();
    const py::gil_scoped_release unlocked;
    std::uint64_t k = 0;
    for_each_node(*g.run.nodes, labels.order, [&](std::uint32_t index) {
        numberOf[k] = static_cast<std::int32_t>(component_of(labels, index));
        if (ids != nullptr) {
            ids[k] = static_cast<std::int64_t>(id_of(*g.run.nodes, index).number);
        }
        k++;
    });
    std::copy(labels.sizes.begin(), labels.sizes.end(), sizes);
    return r;
}

static GraphResult read_graph(const py::object& path, const py::object& ids,
                              const py::object& input, const py::object& separator,
                              const py::object& header, const py::object& columns,
                              const py::object& threads) {
    const GraphFileOptions options = file_options(ids, input, separator, header, columns);
    const std::uint32_t count = thread_count(threads);
    OpenedPath opened;
    open_path(opened, path);
    auto graph = std::make_unique<LabelledGraph>();
    Failure f;
    read_memory_for(opened.display.c_str()); // for cgraph's message, where memory ends the process
    {
        const py::gil_scoped_release unlocked;
        f = read_labelled_graph(opened.open.c_str(), options, count, *graph);
    }
    read_memory_for("-");
    if (failed(f)) {
        raise_failure(opened.display, f);
    }
    return graph_result(*graph);
}

static py::object component(const GraphResult& g, const py::object& which) {
    std::uint64_t k = g.largest;
    const bool largest = py::isinstance<py::str>(which) && which.cast<std::string>() == "largest";
    if (!largest) {
        const auto number = which.cast<long long>();
        k = number >= 1 && static_cast<std::uint64_t>(number) <= g.count
                ? static_cast<std::uint64_t>(number)
                : 0;
    }
    if (k == 0) {
        python_error(PyExc_ValueError, "the graph has " + std::to_string(g.count) + " component" +
                                           plural(g.count) + ", not " +
                                           py::str(which).cast<std::string>());
    }
    return g.nodes[g.labels.attr("__eq__")(k)];
}

// --- connected_components ---------------------------------------------------

// Links of nodes 0 to order - 1 being joined; a node outside them is kept
// for the message, and its link left out (the call fails anyway).
struct Joining {
    NodeIndex* nodes;
    std::int64_t order;
    std::atomic<bool> outside;
    std::atomic<std::int64_t> outsideId;
};

static void join(Joining& j, std::int64_t a, std::int64_t b) {
    if (a < 0 || b < 0 || a >= j.order || b >= j.order) {
        j.outsideId.store(a < 0 || a >= j.order ? a : b, std::memory_order_relaxed);
        j.outside.store(true, std::memory_order_relaxed);
        return;
    }
    join_numbers(*j.nodes, static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b));
}

inline constexpr std::uint64_t PART_LINKS = 1U << 16; // links a thread takes at a time
inline constexpr std::uint64_t PART_ROWS = 1U << 10;  // matrix rows a thread takes at a time

template <typename T> struct PairLinks {
    Joining* joining;
    const T* a; // link k joins a[k * stride] and b[k * stride]
    const T* b;
    std::size_t stride;
    std::uint64_t count;
};

template <typename T> static void join_pairs(void* context, std::uint64_t part) {
    const auto& p = *static_cast<const PairLinks<T>*>(context);
    const std::uint64_t end = std::min(p.count, (part + 1) * PART_LINKS);
    for (std::uint64_t k = part * PART_LINKS; k < end; k++) {
        join(*p.joining, p.a[k * p.stride], p.b[k * p.stride]);
    }
}

// A compressed sparse matrix: row r (or column) links to indices[indptr[r] .. indptr[r + 1]).
template <typename T> struct CompressedLinks {
    Joining* joining;
    const T* indptr;
    const T* indices;
};

template <typename T> static void join_compressed(void* context, std::uint64_t part) {
    const auto& c = *static_cast<const CompressedLinks<T>*>(context);
    const auto end =
        std::min<std::int64_t>(c.joining->order, static_cast<std::int64_t>((part + 1) * PART_ROWS));
    for (auto r = static_cast<std::int64_t>(part * PART_ROWS); r < end; r++) {
        for (std::int64_t k = c.indptr[r]; k < c.indptr[r + 1]; k++) {
            join(*c.joining, r, c.indices[k]);
        }
    }
}

// A dense matrix: every entry but 0, NaN and the infinities is a link, as in SciPy.
struct DenseLinks {
    Joining* joining;
    const double* values;
};

static void join_dense(void* context, std::uint64_t part) {
    const auto& d = *static_cast<const DenseLinks*>(context);
    const std::int64_t n = d.joining->order;
    const auto end = std::min<std::int64_t>(n, static_cast<std::int64_t>((part + 1) * PART_ROWS));
    for (auto r = static_cast<std::int64_t>(part * PART_ROWS); r < end; r++) {
        for (std::int64_t c = 0; c < n; c++) {
            const double v = d.values[r * n + c];
            if (v != 0 && std::isfinite(v)) {
                join(*d.joining, r, c);
            }
        }
    }
}

static std::uint64_t parts_of(std::uint64_t count, std::uint64_t part) {
    return (count + part - 1) / part;
}

// The component labels, numbered from 0 in the order of each one's lowest
// node (SciPy's), into numpy's memory; the count of components.
struct Labelled {
    std::uint64_t count;
    py::array_t<std::int32_t> labels;
};

// Joins the links with join_links on nodes 0 to order - 1, the GIL released.
template <typename Links>
static Labelled label_links(std::int64_t order, std::uint32_t threads, Links& links,
                            void (*run)(void*, std::uint64_t), std::uint64_t parts) {
    if (order > LAST_INDEX - 1) {
        python_error(PyExc_ValueError,
                     "more nodes than ugraph can hold (" + std::to_string(LAST_INDEX - 1) + ")");
    }
    Labelled out{0, py::array_t<std::int32_t>(order)};
    std::int32_t* labels = out.labels.mutable_data();
    bool memory = true;
    Joining joining{nullptr, order, {false}, {0}};
    {
        const py::gil_scoped_release unlocked;
        std::unique_ptr<NodeIndex> nodes = numbered_nodes(static_cast<std::uint32_t>(order));
        ComponentLabels numbered;
        memory = nodes != nullptr;
        if (memory) {
            joining.nodes = nodes.get();
            links.joining = &joining;
            run_parts(PartedWork{&links, run, parts}, threads);
            memory = joining.outside.load() || label_components(*nodes, numbered);
        }
        for (std::int64_t k = 0; memory && !joining.outside.load() && k < order; k++) {
            labels[k] = static_cast<std::int32_t>(numbered.numberOf[k + 1]) - 1;
        }
        out.count = numbered.sizes.size();
    }
    if (!memory) {
        python_error(PyExc_MemoryError, "out of memory");
    }
    if (joining.outside.load()) {
        python_error(PyExc_ValueError, "node " + std::to_string(joining.outsideId.load()) +
                                           " is outside the nodes 0 to " +
                                           std::to_string(order - 1));
    }
    return out;
}

// An array numpy cannot give as numbers is a TypeError.
template <typename Array> static const Array& given(const Array& a) {
    if (!a) {
        python_error(PyExc_TypeError, "the graph's arrays must hold numbers");
    }
    return a;
}

static bool is_integer(const py::array& a) {
    const char kind = a.dtype().kind();
    return kind == 'i' || kind == 'u';
}

// Nodes 0 to the largest id, when n is not given.
template <typename T>
static std::int64_t order_of(const py::object& n, const T* a, const T* b, std::size_t stride,
                             std::uint64_t count) {
    if (!n.is_none()) {
        return n.cast<std::int64_t>();
    }
    std::int64_t top = -1;
    for (std::uint64_t k = 0; k < count; k++) {
        top = std::max<std::int64_t>({top, a[k * stride], b[k * stride]});
    }
    return top + 1;
}

template <typename T>
static Labelled label_pairs(const py::array& first, const py::array& second, bool table,
                            const py::object& n, std::uint32_t threads) {
    using Array = py::array_t<T, py::array::c_style | py::array::forcecast>;
    const Array a = given(Array::ensure(first));
    const Array b = table ? a : given(Array::ensure(second));
    const std::size_t stride = table ? 2 : 1;
    const auto count = static_cast<std::uint64_t>(table ? a.shape(0) : a.size());
    if (!table && b.size() != a.size()) {
        python_error(PyExc_ValueError, "the two edge arrays must be of one length");
    }
    const T* ap = a.data();
    const T* bp = table ? a.data() + 1 : b.data();
    PairLinks<T> links{nullptr, ap, bp, stride, count};
    return label_links(order_of(n, ap, bp, stride, count), threads, links, join_pairs<T>,
                       parts_of(count, PART_LINKS));
}

// Edge arrays of int32 are read as they are; any other integers as int64.
static Labelled label_edge_arrays(const py::array& first, const py::array& second, bool table,
                                  const py::object& n, std::uint32_t threads) {
    if (!is_integer(first) || (!table && !is_integer(second))) {
        python_error(PyExc_ValueError, "edge arrays must hold integers");
    }
    const bool narrow = first.dtype().is(py::dtype::of<std::int32_t>()) &&
                        (table || second.dtype().is(py::dtype::of<std::int32_t>()));
    return narrow ? label_pairs<std::int32_t>(first, second, table, n, threads)
                  : label_pairs<std::int64_t>(first, second, table, n, threads);
}

static std::int64_t square_order(const py::object& shape, const py::object& n) {
    const auto rows = shape[py::int_(0)].cast<std::int64_t>();
    if (shape[py::int_(1)].cast<std::int64_t>() != rows) {
        python_error(PyExc_ValueError, "a graph's matrix must be square, of shape (N, N)");
    }
    if (!n.is_none() && n.cast<std::int64_t>() != rows) {
        python_error(PyExc_ValueError, "n must be the matrix's order, or None");
    }
    return rows;
}

template <typename T>
static Labelled label_compressed(const py::object& matrix, std::int64_t order,
                                 std::uint32_t threads) {
    using Array = py::array_t<T, py::array::c_style | py::array::forcecast>;
    const Array indptr = given(Array::ensure(matrix.attr("indptr")));
    const Array indices = given(Array::ensure(matrix.attr("indices")));
    if (indptr.size() != order + 1 || indptr.data()[order] > indices.size()) {
        python_error(PyExc_ValueError, "a compressed sparse matrix whose indptr does not fit it");
    }
    CompressedLinks<T> links{nullptr, indptr.data(), indices.data()};
    return label_links(order, threads, links, join_compressed<T>,
                       parts_of(static_cast<std::uint64_t>(order), PART_ROWS));
}

// A SciPy sparse matrix: CSR and CSC by their index arrays, any other as COO.
static Labelled label_sparse(const py::object& matrix, const py::object& n, std::uint32_t threads) {
    const std::int64_t order = square_order(matrix.attr("shape"), n);
    const auto format = matrix.attr("format").cast<std::string>();
    if (format == "csr" || format == "csc") {
        const py::array indices = matrix.attr("indices");
        return indices.dtype().is(py::dtype::of<std::int32_t>())
                   ? label_compressed<std::int32_t>(matrix, order, threads)
                   : label_compressed<std::int64_t>(matrix, order, threads);
    }
    const py::object coo = matrix.attr("tocoo")();
    return label_edge_arrays(coo.attr("row"), coo.attr("col"), false, py::int_(order), threads);
}

static Labelled label_dense(const py::array& matrix, const py::object& n, std::uint32_t threads) {
    using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;
    const std::int64_t order = square_order(py::make_tuple(matrix.shape(0), matrix.shape(1)), n);
    const Array values = given(Array::ensure(matrix));
    DenseLinks links{nullptr, values.data()};
    return label_links(order, threads, links, join_dense,
                       parts_of(static_cast<std::uint64_t>(order), PART_ROWS));
}

static Labelled label_graph(const py::object& graph, const py::object& n, std::uint32_t threads) {
    if (py::hasattr(graph, "tocoo") && py::hasattr(graph, "format")) {
        return label_sparse(graph, n, threads);
    }
    if (py::isinstance<py::tuple>(graph) && py::len(graph) == 2) {
        const py::array src = py::module_::import("numpy").attr("asarray")(graph[py::int_(0)]);
        const py::array dst = py::module_::import("numpy").attr("asarray")(graph[py::int_(1)]);
        if (src.ndim() == 1 && dst.ndim() == 1) {
            return label_edge_arrays(src, dst, false, n, threads);
        }
    }
    const py::array a = py::module_::import("numpy").attr("asarray")(graph);
    if (a.ndim() == 2 && a.shape(0) == a.shape(1)) {
        return label_dense(a, n, threads);
    }
    if (a.ndim() == 2 && a.shape(1) == 2) {
        return label_edge_arrays(a, a, true, n, threads);
    }
    python_error(PyExc_ValueError, "graph must be a SciPy sparse matrix, a square array, a pair of "
                                   "integer arrays (src, dst) or an integer array of shape (m, 2)");
}

static py::object connected_components(const py::object& graph, bool directed,
                                       const std::string& connection, bool returnLabels,
                                       const py::object& n, const py::object& threads) {
    std::string lower = connection;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower != "weak" && lower != "strong") {
        python_error(PyExc_ValueError, "connection must be 'weak' or 'strong'");
    }
    if (directed && lower == "strong") {
        python_error(PyExc_NotImplementedError,
                     "ugraph finds the components of undirected graphs: strong components of a "
                     "directed graph are not among them");
    }
    if (!n.is_none() && n.cast<std::int64_t>() < 0) {
        python_error(PyExc_ValueError, "n must not be negative");
    }
    const std::uint32_t count = thread_count(threads);
    Labelled result = label_graph(graph, n, count);
    if (!returnLabels) {
        return py::int_(result.count);
    }
    return py::make_tuple(result.count, result.labels);
}

} // namespace ugraph

static const char MODULE_DOC[] = R"(The connected components of undirected graphs of any size.

ugraph reads a graph file as the ugraph command line does (edge lists, CSV
tables, adjacency lists, Matrix Market, METIS, Pajek, GML, GraphML, DOT,
plain or compressed with gzip, xz, bzip2 or zstd, on every core) or takes a
graph already in memory, and hands back numpy arrays.

Example:

    >>> import ugraph
    >>> g = ugraph.read("edges.txt")           # lines such as "1 2"
    >>> g.nodes, g.labels                        # ids, and each one's component from 1
    (array([1, 2, 3, 5]), array([1, 1, 1, 2], dtype=int32))
    >>> g.count, g.sizes, g.largest
    (2, array([3, 1]), 1)
    >>> g.component("largest")
    array([1, 2, 3])
    >>> import numpy as np
    >>> ugraph.connected_components((np.array([0, 1]), np.array([1, 2])), n=4)
    (2, array([0, 0, 0, 1], dtype=int32))
)";

static const char READ_DOC[] =
    R"(read(path, *, ids=None, input_format=None, separator=None, header=None, columns=None, threads=None)

Reads one graph file and numbers its components as `ugraph --format=labels`
does: from 1, in the order of each component's first node in the file.

path: a str or os.PathLike naming the file, or a file object (read through
its descriptor from the start, or, without one, through its read()).
The keywords are the command line's options with the same values: ids is
'numbers' or 'names'; input_format one of --input-format's names;
separator one byte, or 'tab', 'space', 'comma' or 'semicolon'; header
True (--header) or False (--no-header); columns '2,3' or (2, 3); threads
from 1 up (None: every CPU the process may use).

Returns a Graph. Raises ugraph.Error (a ValueError, with .file and .line)
where the command line reports a fault, OSError when the file cannot be
opened or read, and MemoryError when memory runs out. Two places cannot
recover and end the process instead, as they end the command line's run:
Graphviz's parser running out of memory partway through a DOT file (it
starts only with about six times the text's size free, and MemoryError
when that is not there), and a standard container's allocation failing on
one of the threads read() starts (std::terminate).

    >>> g = ugraph.read("friends.csv", ids="names", separator="comma")
    >>> dict(zip(g.nodes, g.labels))["alice"]
    1
)";

static const char COMPONENTS_DOC[] =
    R"(connected_components(graph, directed=False, connection='weak', return_labels=True, *, n=None, threads=None)

The components of a graph in memory, as
scipy.sparse.csgraph.connected_components(graph, directed=False) gives them:
(count, labels), labels an int32 array numbered from 0 in the order of each
component's lowest node; count alone with return_labels=False.

graph: a SciPy sparse matrix of any format (its stored entries are links)
or a square array (its entries other than 0, NaN and infinity are links),
both of shape (N, N); or a tuple of two integer arrays (src, dst), or an
integer array of shape (m, 2), whose nodes are 0 to the largest id, or 0
to n - 1 with n given (an id outside is a ValueError). A square array is
always read as a matrix: give a 2-link edge list as (src, dst).
Links are undirected: directed=True with connection='weak' gives the same,
and connection='strong' raises NotImplementedError.

    >>> import scipy.sparse as sp
    >>> m = sp.csr_matrix(([1, 1], ([0, 2], [1, 3])), shape=(5, 5))
    >>> ugraph.connected_components(m)
    (3, array([0, 0, 1, 1, 2], dtype=int32))
)";

static const char GRAPH_DOC[] = R"(A graph file's nodes and components, as ugraph.read gives them.

nodes: the ids in the file's order (numbers ascending, names as first met):
  int64, or an object array of str.
labels: int32, each node's component number, from 1 (as --format=labels).
sizes: int64, sizes[k - 1] the nodes of component k.
count: the components; links: the links read (as the summary line counts
them); largest: the number of the largest component (the lower on a tie;
0 when there is none). len(g) is the number of nodes.
)";

PYBIND11_MODULE(ugraph, m) {
    using namespace ugraph;
    m.doc() = MODULE_DOC;
    set_memory_ends_run(false); // a reader that can return its failure raises MemoryError
    errorType = PyErr_NewExceptionWithDoc(
        "ugraph.Error",
        "A graph file ugraph cannot read: .file names it, .line the line at fault (None "
        "for the whole file), and str() is the message the command line prints.",
        PyExc_ValueError, nullptr);
    if (errorType == nullptr) {
        throw py::error_already_set();
    }
    py::handle(errorType).attr("file") = py::none();
    py::handle(errorType).attr("line") = py::none();
    m.add_object("Error", py::handle(errorType));

    py::class_<GraphResult>(m, "Graph", GRAPH_DOC)
        .def_readonly("nodes", &GraphResult::nodes)
        .def_readonly("labels", &GraphResult::labels)
        .def_readonly("sizes", &GraphResult::sizes)
        .def_readonly("count", &GraphResult::count)
        .def_readonly("links", &GraphResult::links)
        .def_readonly("largest", &GraphResult::largest)
        .def("component", &component, "which"_a,
             "The ids of component `which` (from 1), or of the largest for 'largest'.")
        .def("__len__", [](const GraphResult& g) { return g.labels.size(); })
        .def("__repr__", [](const GraphResult& g) {
            return "<ugraph.Graph: " + std::to_string(g.labels.size()) + " nodes, " +
                   std::to_string(g.links) + " links, " + std::to_string(g.count) + " components>";
        });
    m.def("read", &read_graph, READ_DOC, "path"_a, py::kw_only(), "ids"_a = py::none(),
          "input_format"_a = py::none(), "separator"_a = py::none(), "header"_a = py::none(),
          "columns"_a = py::none(), "threads"_a = py::none());
    m.def("connected_components", &connected_components, COMPONENTS_DOC, "graph"_a,
          "directed"_a = false, "connection"_a = "weak", "return_labels"_a = true, py::kw_only(),
          "n"_a = py::none(), "threads"_a = py::none());
}
