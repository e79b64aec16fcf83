// Test helper: runs a test in a fresh folder of its own, with its own data file.
#ifndef UGRAPH_TESTS_SCRATCH_DIR_H
#define UGRAPH_TESTS_SCRATCH_DIR_H

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace ugraph::testing {

class ScratchDir {
  public:
    ScratchDir() : previous_(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "ugraph-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        std::filesystem::current_path(path_);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }
    static void write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    const std::filesystem::path& path() const {
        return path_;
    }

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

} // namespace ugraph::testing

#endif
