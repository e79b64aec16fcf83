// Fuzz target: a graph saved into any data file, in place of a data-input or
// added at its end; every other byte must stay and the graph must load back.
#include <dirent.h>

#include <string>

#include "editing/data_input_save.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

namespace {

using namespace ugraph;

std::string read_data_file() {
    std::string text;
    std::FILE* file = std::fopen(GRAPH_FILE_NAME, "rb");
    FUZZ_CHECK(file != nullptr);
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        text.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    return text;
}

// Nothing but the data file may stand in the scratch folder after a save.
void check_nothing_left() {
    DIR* folder = opendir(".");
    FUZZ_CHECK(folder != nullptr);
    int entries = 0;
    while (readdir(folder) != nullptr) {
        entries++;
    }
    closedir(folder);
    FUZZ_CHECK(entries == 3); // ".", ".." and the data file
}

// Where data-input `number` stands in the old file, by the listing's count:
// from its "[" up to and with its "]". False when there is none, whole.
bool bounds_of(const std::string& old, std::int32_t number, std::size_t& start, std::size_t& end) {
    std::size_t pos = 0;
    for (std::int32_t n = 1; n <= number; n++) {
        start = old.find('[', pos);
        end = start == std::string::npos ? start : old.find(']', start);
        if (end == std::string::npos) {
            return false;
        }
        pos = ++end;
    }
    return true;
}

// The saved graph loads back as the same name, node count and links.
void check_loads_back(std::int32_t number, const GraphRecord& g) {
    DataInput copy{};
    GraphRecord back{};
    std::int32_t count = 0;
    Message refusal{};
    FUZZ_CHECK(load_data_input(number, copy, back, count, refusal) == LoadResult::loaded);
    FUZZ_CHECK(std::strcmp(back.graphName.data(), g.graphName.data()) == 0);
    FUZZ_CHECK(back.linkTo[0] == g.linkTo[0]);
    for (std::int32_t k = 0; k <= g.linkFrom[0] + 1; k++) {
        FUZZ_CHECK(back.linkFrom[k] == g.linkFrom[k] && back.linkTo[k] == g.linkTo[k]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One byte picks the data-input, then the graph, its name, and the file.
    if (size == 0) {
        return 0;
    }
    const std::int32_t number = 1 + data[0] % 8;
    GraphRecord g{};
    std::size_t used = 1 + fuzz::make_graph(data + 1, size - 1, g, true);
    for (std::int32_t i = 0; i < NAME_SIZE - 1 && used < size && data[used] != 0; i++) {
        g.graphName[i] = static_cast<char>(data[used++]);
    }
    used += used < size ? 1 : 0;
    fuzz::write_data_file(data + used, size - used);
    const std::string old(reinterpret_cast<const char*>(data + used), size - used);
    static const std::uint8_t noInput[1] = {};
    fuzz::FuzzConsole console(noInput, 0);
    GraphText text;
    if (!make_graph_text(g.linkFrom, g.linkTo, g.graphName, true, text)) {
        return 0;
    }
    std::size_t start = 0;
    std::size_t end = 0;
    DataInput loaded{};
    std::FILE* file = std::fopen(GRAPH_FILE_NAME, "r");
    Message refusal{};
    const bool found = position_on(file, number) && copy_data_input(file, loaded, refusal);
    std::fclose(file);
    const std::string written(text.chars.data(), static_cast<std::size_t>(text.length));
    if (found && !keep_lead_in(loaded, text)) {
        return 0; // the kept lead-in leaves no room for the graph
    }
    const std::string saved(text.chars.data(), static_cast<std::size_t>(text.length));
    if (found) {
        FUZZ_CHECK(bounds_of(old, number, start, end));
        // The data-input keeps its own bytes up to its name's opening quote;
        // the name and the node list are the writer's, after its "[U ". One
        // without a name keeps nothing.
        const std::size_t quote = old.find('"', start);
        const std::size_t own = quote < end ? quote - start : 0;
        FUZZ_CHECK(saved.compare(0, own, old, start, own) == 0);
        FUZZ_CHECK(saved.substr(own) == written.substr(own == 0 ? 0 : 3));
        FUZZ_CHECK(replace_data_input(number, loaded, text) == SaveStatus::saved);
        FUZZ_CHECK(read_data_file() == old.substr(0, start) + saved + old.substr(end));
        check_loads_back(number, g);
    } else {
        std::int32_t added = 0;
        const SaveStatus status = append_data_input(text, added);
        const bool newline = old.empty() || old.back() == '\n';
        if (status == SaveStatus::saved) {
            FUZZ_CHECK(read_data_file() == old + (newline ? "" : "\n") + saved + "\n");
            check_loads_back(added, g);
        } else {
            FUZZ_CHECK(status == SaveStatus::refused && read_data_file() == old);
        }
    }
    check_nothing_left();
    return 0;
}
