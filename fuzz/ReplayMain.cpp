// Runs a fuzz target once on each input without libFuzzer: every file named on the command line
// and every file below every folder named, in name order. ctest replays the corpora this way,
// in the normal and in the sanitizer build.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/Check.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsBelow(const fs::path& path) {
    std::vector<fs::path> inputs;
    if (!fs::is_directory(path)) {
        inputs.push_back(path);
        return inputs;
    }
    for (const auto& entry : fs::recursive_directory_iterator(path))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        if (!fs::exists(path)) {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
        for (const fs::path& input : InputsBelow(path)) {
            std::ifstream in(input, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
            if (in.bad()) {
                std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
                return 2;
            }
            // An empty input still gets a valid pointer, as under libFuzzer.
            static const std::uint8_t kNothing = 0;
            const auto* data =
                bytes.empty() ? &kNothing : reinterpret_cast<const std::uint8_t*>(bytes.data());
            LLVMFuzzerTestOneInput(data, bytes.size());
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    // A corpus that went missing must not pass as replayed.
    return replayed > 0 ? 0 : 1;
}
