// Data inputs (finds, copies, checks and parses the graphs of a data file)
#ifndef UGRAPH_DATA_INPUTS_H
#define UGRAPH_DATA_INPUTS_H

#include <cstdio>

#include "console/console.h"
#include "driver/graph_record.h"

namespace ugraph {

inline constexpr char GRAPH_FILE_NAME[] = "GraphDataFile2.txt";
inline constexpr std::int32_t MAX_FILE_LINKS = 624; // links one data-input may list
inline constexpr std::int32_t MESSAGE_SIZE = 100;   // one refusal line with its NUL

using Message = std::array<char, MESSAGE_SIZE>;

// The data file every mode reads and saves; nullptr sets GraphDataFile2.txt
// in the current directory. The path is kept, not copied. "-" stands for
// standard input, which only the modes without dialogue read.
void use_graph_file(const char* path);
const char* graph_file_path();

// Opens the data file for reading: standard input for "-", else the file,
// which must not be a directory. nullptr, with errno set, when it cannot be
// read (ENOENT: there is none).
std::FILE* open_data_file();

// Closes what open_data_file opened; standard input stays open.
void close_data_file(std::FILE* file);

// One data-input as the file holds it, but for its mark in upper case.
struct DataInput {
    LineBuffer text;
    std::int32_t length; // characters from "[" to "]"
    char mark;           // the mark as the file holds it, "U" or "u"
};

// Passes over free text to the next "["; false at the end of the file.
bool find_data_input(std::FILE* file);

// Reads on to the "]" that ends a data-input, handing every character before
// it to echo when echo is given; false when the file ends first. Listing and
// positioning both count data-inputs with these two scans, so a number always
// names the data-input listed under it.
bool pass_data_input(std::FILE* file, void (*echo)(char));

// Counts the data-inputs from where the file stands to its end, as the
// listing does; closed is false when the file ends inside the last one.
std::int32_t count_data_inputs(std::FILE* file, bool& closed);

// Rewinds and reads up to and with the "[" of data-input `number`, 1 up;
// false when the file ends first.
bool position_on(std::FILE* file, std::int32_t number);

// From just after a data-input's "[": checks its mark and copies it whole.
// On refusal the file stands after the data-input's "]" (or at its end).
bool copy_data_input(std::FILE* file, DataInput& copy, Message& refusal);

// Parses a copied data-input and, when all of it passes, stores its name and
// its links in both directions, normalised. Returns the entry count, or -1
// with the refusal and nothing stored.
std::int32_t parse_data_input(const DataInput& copy, LinkColumn& linkFrom, LinkColumn& linkTo,
                              NameBuffer& graphName, Message& refusal);

enum class LoadResult { loaded, no_file, unreadable, out_of_range, refused };

// Opens the data file and loads data-input `number` without a word to the
// console, in one pass, so that standard input serves too; count gets the
// number of data-inputs, refusal the reason (for unreadable, the system's).
LoadResult load_data_input(std::int32_t number, DataInput& copy, GraphRecord& g,
                           std::int32_t& count, Message& refusal);

} // namespace ugraph

#endif
