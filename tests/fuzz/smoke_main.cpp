// Runs a fuzz target without libFuzzer: every file of the seed corpus, then a
// fixed number of deterministic mutations of them (bit flips, truncations,
// insertions of random bytes, splices). Enough to catch crashes and
// sanitizer faults in every ordinary build.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::string> readCorpus(const std::filesystem::path& folder) {
    std::vector<std::string> corpus;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return corpus;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return corpus;
}

std::string mutate(const std::vector<std::string>& corpus, std::mt19937& rng) {
    std::string s = corpus.empty() ? std::string() : corpus[rng() % corpus.size()];
    const int steps = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < steps; ++i) {
        switch (rng() % 6) {
            case 0:
                if (!s.empty()) s[rng() % s.size()] ^= static_cast<char>(1u << (rng() % 8));
                break;
            case 1:
                if (!s.empty()) s.resize(rng() % s.size());
                break;
            case 2: s.insert(s.begin() + (s.empty() ? 0 : rng() % s.size()), static_cast<char>(rng())); break;
            case 3:
                if (!corpus.empty()) {
                    const std::string& other = corpus[rng() % corpus.size()];
                    if (!other.empty()) s += other.substr(rng() % other.size());
                }
                break;
            case 4: s.append(rng() % 400, static_cast<char>(rng())); break;
            case 5:
                if (!s.empty()) s[rng() % s.size()] = "\r\n\0-9.$*,"[rng() % 9];
                break;
        }
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> corpus = argc > 1 ? readCorpus(argv[1]) : std::vector<std::string>{};
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3000;
    for (const std::string& input : corpus)
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    std::mt19937 rng(20261211);
    for (int i = 0; i < runs; ++i) {
        const std::string input = mutate(corpus, rng);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::printf("%zu corpus inputs and %d mutations ran without a fault\n", corpus.size(), runs);
    return 0;
}
