// Runs a fuzz target's entry once on each file of the folders (or files) named on
// the command line, without libFuzzer, so that every build replays the kept corpus
// and the inputs that once broke something. A missing folder is passed over; no
// input at all is a failure, so a misnamed folder cannot pass unseen.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& place)
{
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    if (std::filesystem::is_regular_file(place, error)) {
        inputs.push_back(place);
    } else if (std::filesystem::is_directory(place, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(place))
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        std::sort(inputs.begin(), inputs.end());
    }
    return inputs;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t replayed = 0;
    for (int k = 1; k < argc; ++k) {
        for (const auto& input : inputsOf(argv[k])) {
            std::ifstream in(input, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::fprintf(stderr, "%s\n", input.c_str());
            // A copy of exactly the input's size, so that a read past its end is
            // seen by the address sanitizer as under libFuzzer.
            std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
            LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
