// Test helper: runs console code on a given input and collects its output.
#ifndef UGRAPH_TESTS_CONSOLE_CAPTURE_H
#define UGRAPH_TESTS_CONSOLE_CAPTURE_H

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/console.h"

namespace ugraph::testing {

class ConsoleCapture {
  public:
    explicit ConsoleCapture(const std::string& input) {
        in_ = std::tmpfile();
        std::fwrite(input.data(), 1, input.size(), in_);
        std::rewind(in_);
        out_ = open_memstream(&buffer_, &size_);
        use_console_streams(in_, out_);
    }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    ~ConsoleCapture() {
        use_console_streams(nullptr, nullptr);
        std::fclose(in_);
        std::fclose(out_);
        std::free(buffer_);
    }
    std::string output() {
        std::fflush(out_);
        return std::string(buffer_, size_);
    }
    // What the code under test left unread.
    std::string rest() {
        std::string left;
        for (int c = std::getc(in_); c != EOF; c = std::getc(in_)) {
            left.push_back(static_cast<char>(c));
        }
        return left;
    }

  private:
    std::FILE* in_ = nullptr;
    std::FILE* out_ = nullptr;
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace ugraph::testing

#endif
