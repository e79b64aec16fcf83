// Console (every read from and write to the user's terminal)
#include "console/console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <limits>

namespace ugraph {

static std::FILE* consoleIn = nullptr;  // nullptr: standard input
static std::FILE* consoleOut = nullptr; // nullptr: standard output
static std::FILE* consoleErr = nullptr; // nullptr: standard error
static int writeError = 0;              // errno of the first failed write to the output

static std::FILE* in_stream() {
    return consoleIn != nullptr ? consoleIn : stdin;
}

static std::FILE* out_stream() {
    return consoleOut != nullptr ? consoleOut : stdout;
}

static void check_write(bool written);

// Every read starts here, so that a prompt is on the screen before the wait.
static int next_char() {
    check_write(std::fflush(out_stream()) == 0);
    return std::getc(in_stream());
}

static bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

static void drop_rest_of_line(int c) {
    while (c != '\n' && c != EOF) {
        c = next_char();
    }
}

std::FILE* console_input() {
    return in_stream();
}

void use_console_streams(std::FILE* in, std::FILE* out) {
    consoleIn = in;
    consoleOut = out;
}

void use_error_stream(std::FILE* err) {
    consoleErr = err;
}

// A failed write is remembered with its reason, for the end of the mode.
static void check_write(bool written) {
    if (!written && writeError == 0) {
        writeError = errno != 0 ? errno : EIO;
    }
}

void print_error(const char* format, ...) {
    check_write(std::fflush(out_stream()) == 0); // results written so far come first
    va_list args;
    va_start(args, format);
    std::vfprintf(consoleErr != nullptr ? consoleErr : stderr, format, args);
    va_end(args);
}

void print_line(const char* text) {
    check_write(std::fputs(text, out_stream()) != EOF);
    check_write(std::fputc('\n', out_stream()) != EOF);
}

void print_format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    check_write(std::vfprintf(out_stream(), format, args) >= 0);
    va_end(args);
}

void print_char(char c) {
    check_write(std::fputc(static_cast<unsigned char>(c), out_stream()) != EOF);
}

void flush_output() {
    check_write(std::fflush(out_stream()) == 0);
}

bool finish_output() {
    flush_output();
    if (writeError == 0) {
        return true;
    }
    print_error("ugraph: write error: %s\n", std::strerror(writeError));
    writeError = 0;
    return false;
}

// /dev/null opened for reading only: a write to it still fails, as on a
// closed descriptor. The lower ones are taken already, so it gets this one.
void hold_standard_descriptors() {
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF && open("/dev/null", O_RDONLY) != fd) {
            return;
        }
    }
}

bool read_text_line(LineBuffer& line) {
    int c = next_char();
    if (c == EOF) {
        return false;
    }
    std::int32_t length = 0;
    while (c != '\n' && c != EOF) {
        if (length < LINE_SIZE - 1) {
            line[length] = static_cast<char>(c);
            length++;
        }
        c = next_char();
    }
    line[length] = '\0';
    return true;
}

bool next_line_number(const LineBuffer& line, std::int32_t& pos, std::int32_t& value) {
    while (pos >= 0 && pos < LINE_SIZE && line[pos] != '\0' && !is_digit(line[pos])) {
        pos++;
    }
    if (pos < 0 || pos >= LINE_SIZE || line[pos] == '\0') {
        return false;
    }
    value = 0;
    for (; pos < LINE_SIZE && is_digit(line[pos]); pos++) {
        value = append_digit(value, line[pos] - '0');
    }
    return true;
}

ReadInt read_int(std::int32_t& value) {
    int c = next_char();
    while (is_space(c)) {
        c = next_char();
    }
    if (c == EOF) {
        return ReadInt::end_of_input;
    }
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = next_char();
    }
    if (!is_digit(c)) {
        drop_rest_of_line(c);
        return ReadInt::no_number;
    }
    // Built as a negative number, which reaches INT32_MIN without overflow.
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    std::int32_t magnitude = 0;
    bool saturated = false;
    while (is_digit(c)) {
        const std::int32_t digit = c - '0';
        if (magnitude < (lowest + digit) / 10) {
            saturated = true;
        } else {
            magnitude = magnitude * 10 - digit;
        }
        c = next_char();
    }
    // c is the one character after the number; it has been read and is dropped.
    if (negative) {
        value = saturated ? lowest : magnitude;
    } else if (saturated || magnitude == lowest) {
        value = std::numeric_limits<std::int32_t>::max();
    } else {
        value = -magnitude;
    }
    return ReadInt::number;
}

int read_char() {
    return next_char();
}

int read_choice(const char* letters, const char* error) {
    for (;;) {
        const int answer = next_char();
        if (answer == EOF) {
            return EOF;
        }
        next_char(); // the newline that ends the answer line
        for (const char* letter = letters; *letter != '\0'; letter++) {
            if (answer == *letter || answer == *letter - 'A' + 'a') {
                return *letter;
            }
        }
        print_line(error);
    }
}

// One answer line with the blanks around it dropped, kept up to WORD_SIZE - 1
// characters; too long an answer (or one with a NUL) leaves an empty word
// and `other` set. False at the end of input before any character.
inline constexpr std::int32_t WORD_SIZE = 4;

static bool is_blank(int c) {
    return c == ' ' || c == '\t' || c == '\r';
}

static bool read_answer_word(std::array<char, WORD_SIZE>& word, bool& other) {
    int c = next_char();
    if (c == EOF) {
        return false;
    }
    std::int32_t length = 0;
    bool ended = false; // blanks after the word have begun
    other = false;
    for (; c != '\n' && c != EOF; c = next_char()) {
        if (is_blank(c)) {
            ended = length > 0;
        } else if (ended || c == '\0' || length == WORD_SIZE - 1) {
            other = true;
        } else {
            word[length] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            length++;
        }
    }
    word[length] = '\0';
    return true;
}

static bool word_is(const std::array<char, WORD_SIZE>& word, const char* a, const char* b) {
    return std::strcmp(word.data(), a) == 0 || std::strcmp(word.data(), b) == 0;
}

YesNo read_yes_no(const char* error) {
    for (;;) {
        std::array<char, WORD_SIZE> word{};
        bool other = false;
        if (!read_answer_word(word, other)) {
            return YesNo::end_of_input;
        }
        if (!other && word_is(word, "y", "yes")) {
            return YesNo::yes;
        }
        if (!other && word_is(word, "n", "no")) {
            return YesNo::no;
        }
        print_line(error);
    }
}

bool discard_char() {
    return next_char() != EOF;
}

} // namespace ugraph
