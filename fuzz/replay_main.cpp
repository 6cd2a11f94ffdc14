// The main of a fuzz target built without libFuzzer: feeds each file named on the command line,
// and each file in each directory named there, to LLVMFuzzerTestOneInput once. A missing
// directory counts as empty; running no input at all fails. A fault aborts as under the fuzzer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

void replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "replay: cannot read " << file << '\n';
        std::exit(1);
    }
    std::ostringstream bytes;
    bytes << in.rdbuf(); // an empty file leaves it empty
    std::cout << "replay: " << file.filename().string() << std::endl;
    // A copy of its own, so a read past the end is caught by the address sanitizer.
    const std::string text = bytes.str();
    std::vector<std::uint8_t> input(text.begin(), text.end());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
}

} // namespace

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        fs::path path(argv[i]);
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            std::vector<fs::path> files;
            for (const fs::directory_entry& e : fs::directory_iterator(path))
                if (e.is_regular_file())
                    files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const fs::path& f : files)
                replay(f);
            count += static_cast<int>(files.size());
        } else if (fs::exists(path, ec)) {
            replay(path);
            ++count;
        }
    }
    std::cout << "replay: " << count << " inputs\n";
    return count > 0 ? 0 : 1;
}
