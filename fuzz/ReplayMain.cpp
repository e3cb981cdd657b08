// Stand-in for libFuzzer's main when the compiler has no libFuzzer: feeds every
// file of the given folders (or files) to the target, then a fixed batch of
// pseudo-random mutations of them, so parsers are exercised in every build.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    std::vector<std::vector<uint8_t>> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(arg)) {
            for (const auto& e : std::filesystem::directory_iterator(arg))
                if (e.is_regular_file())
                    files.push_back(e.path());
        } else if (std::filesystem::is_regular_file(arg)) {
            files.push_back(arg);
        }
        for (const auto& f : files) {
            std::ifstream in(f, std::ios::binary);
            inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (inputs.empty())
        inputs.emplace_back();
    for (const auto& in : inputs)
        LLVMFuzzerTestOneInput(in.data(), in.size());

    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> data = inputs[rng() % inputs.size()];
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            switch (rng() % 4) {
            case 0:
                if (!data.empty())
                    data[rng() % data.size()] = static_cast<uint8_t>(rng());
                break;
            case 1:
                data.insert(data.begin() + (data.empty() ? 0 : rng() % data.size()), static_cast<uint8_t>(rng()));
                break;
            case 2:
                if (!data.empty())
                    data.erase(data.begin() + rng() % data.size());
                break;
            default:
                if (!data.empty())
                    data.resize(rng() % data.size());
                break;
            }
        }
        LLVMFuzzerTestOneInput(data.data(), data.size());
    }
    std::printf("replayed %zu inputs and 2000 mutations\n", inputs.size());
    return 0;
}
