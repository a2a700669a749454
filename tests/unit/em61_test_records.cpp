#include "em61_logged_readings.h"

#include "logging/data_file_reader.h"

namespace velox::test {

std::vector<LoggedReading> loggedReadings(const std::filesystem::path& path) {
    const RecordLayout layout = layoutOf(InstrumentType::Em61Lx2, ProductLine::Velox);
    const DataFileReader reader(path, layout.recordLength);
    std::vector<LoggedReading> found;
    for (std::size_t i = 0; i < reader.recordCount(); ++i) {
        const DataRecord r = decodeRecord(layout, reader.record(i).bytes);
        if (r.kind != RecordKind::Reading || !r.em61) continue;
        const LoggedEm61Reading& e = *r.em61;
        found.push_back({e.letter, e.gain, e.words, e.meanCurrent, r.tick.value_or(0), r.bytes});
    }
    return found;
}

}  // namespace velox::test
