// Fuzz target: --list and --graph in every format on any data file.
#include <string>

#include "console/utf8.h"
#include "driver/command_line.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

namespace {

// Runs the command line with its output in memory; DOT and JSON must be
// well-formed UTF-8 whatever the data file holds.
void run(std::initializer_list<const char*> args, bool utf8) {
    std::string storage[8];
    char* argv[8] = {};
    int argc = 0;
    for (const char* a : args) {
        storage[argc] = a;
        argv[argc] = storage[argc].data();
        argc++;
    }
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    FUZZ_CHECK(out != nullptr);
    ugraph::use_console_streams(nullptr, out);
    ugraph::use_error_stream(out);
    const int status = ugraph::run_command_line(argc, argv);
    ugraph::use_console_streams(nullptr, nullptr);
    ugraph::use_error_stream(nullptr);
    std::fclose(out);
    FUZZ_CHECK(status == 0 || status == 1);
    for (std::size_t i = 0; utf8 && status == 0 && i < size;) {
        const std::int32_t left = static_cast<std::int32_t>(size - i);
        const std::int32_t length = ugraph::utf8_sequence_length(text + i, left);
        FUZZ_CHECK(length > 0);
        i += static_cast<std::size_t>(length);
    }
    std::free(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the graph, the rest is the data file.
    const std::string number = std::to_string(1 + data[0] % 16);
    ugraph::fuzz::write_data_file(data + 1, size - 1);
    run({"ugraph", "--list"}, false);
    run({"ugraph", "--graph", number.c_str()}, false);
    run({"ugraph", "--graph", number.c_str(), "--format=dot"}, true);
    run({"ugraph", "--graph", number.c_str(), "--format=json"}, true);
    return 0;
}
