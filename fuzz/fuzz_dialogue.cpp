// Fuzz target: one whole run of the dialogue on any console input and data file.
#include "driver/main_dialogue.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ugraph::fuzz::Split input = ugraph::fuzz::split_input(data, size);
    ugraph::fuzz::write_data_file(input.file, input.fileSize);
    ugraph::fuzz::FuzzConsole console(input.console, input.consoleSize);
    ugraph::run_dialogue();
    return 0;
}
