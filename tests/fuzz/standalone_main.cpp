// Runs a fuzz target where libFuzzer is not at hand (the GCC builds, whose
// sanitizers still watch): every input of the corpus files and folders given,
// then deterministic mutations of them (same seed, same run). A target
// reports a broken promise by aborting.
// Usage: k7_fuzz_NAME [-mutations=N] [-seed=S] PATH...
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/byte_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> Mutate(std::vector<std::uint8_t> bytes,
                                 const std::vector<std::vector<std::uint8_t>>& corpus,
                                 k7::test::RandomBytes& random) {
    for (int rounds = 1 + random.Below(4); rounds > 0; --rounds) {
        const auto at = static_cast<std::size_t>(random.Below(int(bytes.size()) + 1));
        switch (random.Below(6)) {
            case 0:
                if (!bytes.empty()) bytes[at % bytes.size()] ^= std::uint8_t(1 + random.Below(255));
                break;
            case 1:
                bytes.insert(bytes.begin() + long(at), random.Byte());
                break;
            case 2:
                bytes.erase(bytes.begin() + long(at),
                            bytes.begin() + long(std::min(bytes.size(), at + random.Below(16))));
                break;
            case 3: {  // repeat a stretch
                const std::size_t end = std::min(bytes.size(), at + random.Below(32));
                const std::vector<std::uint8_t> part(bytes.begin() + long(at),
                                                     bytes.begin() + long(end));
                bytes.insert(bytes.begin() + long(at), part.begin(), part.end());
                break;
            }
            case 4:
                bytes.resize(at);
                break;
            default: {  // splice in part of another input
                const auto& other = corpus[random.Below(int(corpus.size()))];
                const std::size_t n = std::min<std::size_t>(other.size(), random.Below(64));
                bytes.insert(bytes.begin() + long(at), other.begin(), other.begin() + long(n));
                break;
            }
        }
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    long mutations = 0;
    unsigned long long seed = 7;
    std::vector<std::vector<std::uint8_t>> corpus;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-mutations=", 11) == 0) {
            mutations = std::atol(argv[i] + 11);
        } else if (std::strncmp(argv[i], "-seed=", 6) == 0) {
            seed = std::strtoull(argv[i] + 6, nullptr, 10);
        } else if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
                if (entry.is_regular_file()) corpus.push_back(ReadFile(entry.path()));
        } else {
            corpus.push_back(ReadFile(argv[i]));
        }
    }
    if (corpus.empty()) corpus.emplace_back();
    for (const auto& input : corpus) LLVMFuzzerTestOneInput(input.data(), input.size());
    k7::test::RandomBytes random(seed);
    for (long n = 0; n < mutations; ++n) {
        const auto input = Mutate(corpus[random.Below(int(corpus.size()))], corpus, random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%zu corpus inputs and %ld mutations, every promise kept\n", corpus.size(),
                mutations);
    return 0;
}
