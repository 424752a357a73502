// Runs a fuzz target once on every file of the folders (or files) named: the seed inputs replayed
// as a test of the ordinary build, with whatever sanitizers it has. Without libFuzzer it only
// replays; scripts/fuzz.sh fuzzes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path place(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(place, ec)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(place, ec)) {
                if (entry.is_regular_file() && !replay(entry.path())) {
                    std::fprintf(stderr, "cannot read %s\n", entry.path().c_str());
                    return 1;
                }
                replayed += entry.is_regular_file() ? 1 : 0;
            }
        } else if (replay(place)) {
            ++replayed;
        } else {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
