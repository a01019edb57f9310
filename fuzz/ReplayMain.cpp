// The entry point of a fuzz target without libFuzzer: every file named on
// the command line, or inside a folder named there, goes once through
// LLVMFuzzerTestOneInput.  A target that aborts or trips a sanitizer on
// its corpus fails the test that runs it.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {
int Replay(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return 1;
}
} // namespace

int main(int argc, char **argv)
{
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (!std::filesystem::is_directory(path)) {
            inputs += Replay(path);
            continue;
        }
        for (const auto &entry : std::filesystem::recursive_directory_iterator(path))
            if (entry.is_regular_file())
                inputs += Replay(entry.path());
    }
    std::printf("%d inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1; // an empty corpus replays nothing: a mistake
}
