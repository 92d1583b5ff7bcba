// Runs every file of the corpus folders given on the command line through the
// fuzz entry point, for builds without libFuzzer. Files in a folder named
// "reject" are inputs the reader must refuse: for them the entry point must
// answer -1, libFuzzer's answer for an input not worth keeping.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int files = 0, accepted = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], error)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
            const int answer = LLVMFuzzerTestOneInput(
                reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            if (answer != -1 && entry.path().parent_path().filename() == "reject") {
                std::printf("%s: taken, but must be refused\n", entry.path().c_str());
                ++accepted;
            }
            ++files;
        }
    }
    std::printf("%d corpus files passed\n", files - accepted);
    return files > 0 && accepted == 0 ? 0 : 1;
}
