// velox-record-latency FILE SECONDS: watches a data file being logged and
// reports how long each reading record took from the arrival of its frame
// (the tick stored in the record) to its appearance in the file, read on the
// same millisecond clock. Used by tools/measure-logging.sh.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "logging/data_file_reader.h"
#include "platform/clock.h"

int main(int argc, char** argv) {
    using namespace velox;
    if (argc != 3) {
        std::fprintf(stderr, "usage: velox-record-latency FILE SECONDS\n");
        return 2;
    }
    const std::filesystem::path path = argv[1];
    const auto seconds = std::chrono::seconds(std::atoi(argv[2]));
    const std::optional<RecordLayout> layout = layoutFromExtension(path);
    if (!layout) {
        std::fprintf(stderr, "velox-record-latency: %s is no data file of ours\n", argv[1]);
        return 2;
    }
    DataFileReader reader(path, layout->recordLength);
    if (reader.openError() != DataFileReader::OpenError::None) {
        std::fprintf(stderr, "velox-record-latency: cannot read %s\n", argv[1]);
        return 2;
    }

    std::vector<uint32_t> delays;
    std::size_t seen = reader.recordCount();
    const auto end = std::chrono::steady_clock::now() + seconds;
    while (std::chrono::steady_clock::now() < end) {
        const std::size_t count = reader.recordCount();
        const Tick now = tickNow();
        for (; seen < count; ++seen) {
            const RecordRead read = reader.record(seen);
            if (read.status != RecordStatus::Ok || !isReadingRecord(*layout, read.bytes)) continue;
            const DataRecord record = decodeRecord(*layout, read.bytes);
            if (record.tick) delays.push_back(now - *record.tick);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (delays.empty()) {
        std::printf("no reading records appeared\n");
        return 1;
    }
    std::sort(delays.begin(), delays.end());
    const auto at = [&](double q) { return delays[std::min(delays.size() - 1, std::size_t(q * delays.size()))]; };
    std::printf("frame to record: %zu readings, median %u ms, 99th percentile %u ms, largest %u ms\n",
                delays.size(), at(0.5), at(0.99), delays.back());
    return 0;
}
