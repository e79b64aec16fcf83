// Report writer (the interface of the component reports in text, JSON and DOT)
#ifndef UGRAPH_REPORT_WRITER_H
#define UGRAPH_REPORT_WRITER_H

#include <cstddef>
#include <cstdint>

namespace ugraph {

enum class ReportFormat { text, json, dot };

// A node as a report names it: its number, or (name not nullptr) the bytes of
// its name, which each format writes in its own escapes.
struct NodeName {
    std::uint64_t number;
    const char* name;
    std::size_t length;
};

// A report is written in this order: head; for every component, its opening,
// its members in search order and its closing; the opening of the tail; the
// location of every node or every link, where the format has them; the end.
// `first` marks the report's first component and each component's first
// member. Every entry but location and link is always set.
struct ReportWriter {
    // The graph's name (NUL-terminated, `length` bytes before the NUL) and figures.
    void (*head)(const char* name, std::size_t length, std::uint64_t nodes, std::uint64_t links);
    void (*open_component)(std::uint64_t component, bool first);
    void (*member)(const NodeName& node, bool first);
    void (*close_component)();
    void (*open_tail)();
    void (*location)(const NodeName& node, std::uint64_t component); // nullptr: none written
    void (*link)(const NodeName& from, const NodeName& to);          // nullptr: none written
    void (*end)();
    void (*name)(const NodeName& node); // a node alone, escaped as the format escapes it
};

const ReportWriter& report_writer(ReportFormat format);

// Writes a name's bytes in the escapes of one format.
using NameEscape = void (*)(const char* text, std::size_t length);

// For the writers: a node's number in decimal, or its name in double quotes
// in `escape`, or (escape nullptr) as its bytes are.
void print_node_name(const NodeName& node, NameEscape escape);

} // namespace ugraph

#endif
