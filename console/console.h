// Console (every read from and write to the user's terminal)
#ifndef UGRAPH_CONSOLE_H
#define UGRAPH_CONSOLE_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace ugraph {

inline constexpr std::int32_t LINE_SIZE = 2504; // one typed line or graph text with its NUL

using LineBuffer = std::array<char, LINE_SIZE>;

// Writes text and then exactly one newline.
void print_line(const char* text);

// printf-style output to the console.
[[gnu::format(printf, 1, 2)]] void print_format(const char* format, ...);

// printf-style output to the error stream, for the modes without dialogue.
[[gnu::format(printf, 1, 2)]] void print_error(const char* format, ...);

// The ending of a counted noun: "" for one, "s" for any other figure.
inline const char* plural(std::uint64_t figure) {
    return figure == 1 ? "" : "s";
}

// Writes one character as it is, NUL bytes included.
void print_char(char c);

// Writes out what the output holds now; a failed write is remembered.
void flush_output();

// Flushes the output. False, after "ugraph: write error: REASON" on the error
// stream, when a write to it has failed since the last call.
bool finish_output();

// Keeps descriptors 0, 1 and 2 taken, each by /dev/null opened for reading
// where it was closed, so that no file the program opens becomes its input
// or output.
void hold_standard_descriptors();

// Reads one line without its newline. False, with the buffer untouched, when
// input has ended before any character came. A longer line keeps its first
// LINE_SIZE - 1 characters and the rest of it is dropped.
bool read_text_line(LineBuffer& line);

// value * 10 + digit, held at the int32 limit instead of overflowing.
inline std::int32_t append_digit(std::int32_t value, std::int32_t digit) {
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    return value > (highest - digit) / 10 ? highest : value * 10 + digit;
}

// Finds the next number in a typed line from pos on: a maximal run of the
// digits 0 to 9 (saturating at the int32 limit); every other byte separates.
// False at the line's NUL. pos is left after the run.
bool next_line_number(const LineBuffer& line, std::int32_t& pos, std::int32_t& value);

enum class ReadInt { number, no_number, end_of_input };

// Reads a decimal integer like "%d" (saturating at the int32 limits), then
// drops the one character after it. With no number there, the rest of the
// line is dropped and value keeps what it had.
ReadInt read_int(std::int32_t& value);

// Reads one character; EOF at the end of input.
int read_char();

// Reads one-character answers, each followed by one character that is
// dropped, until an answer is one of the upper-case `letters` or its lower
// case; writes the line `error` after every other answer. Returns the letter
// in upper case, or EOF at the end of input.
int read_choice(const char* letters, const char* error);

enum class YesNo { yes, no, end_of_input };

// Reads whole answer lines until one says y, yes, n or no (in any case, blanks
// around it ignored); writes the line `error` after every other answer.
YesNo read_yes_no(const char* error);

// Reads one character and drops it; false at the end of input.
bool discard_char();

// The stream the console reads, for a data file read from standard input.
std::FILE* console_input();

// Points the console at other streams (nullptr: stdin or stdout).
void use_console_streams(std::FILE* in, std::FILE* out);

// Points error output at another stream (nullptr: stderr).
void use_error_stream(std::FILE* err);

} // namespace ugraph

#endif
