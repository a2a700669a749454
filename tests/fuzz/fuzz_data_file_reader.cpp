// Reads arbitrary bytes as a data file of every variant: recognition, the
// record walk with its GPS groups, backward reads and the survey-start search
// must stay inside the records and never fail.

#include <cstddef>
#include <cstdint>
#include <string>

#include "logging/data_file_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velox;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)layoutFromProductTag(bytes);
    for (InstrumentType instrument : kAllInstruments) {
        for (ProductLine line : {ProductLine::Velox, ProductLine::Orv}) {
            const RecordLayout layout = layoutOf(instrument, line);
            const DataFileReader reader = DataFileReader::fromBytes(bytes, layout.recordLength);
            (void)inspectDataFile(reader, layout);
            (void)findSurveyStart(reader);
            RecordScanner scanner(reader, layout);
            std::size_t walked = 0;
            while (const auto scanned = scanner.next()) {
                if (scanned->record.bytes.size() > layout.recordLength) __builtin_trap();
                ++walked;
            }
            if (walked < reader.recordCount()) __builtin_trap();
            for (std::size_t back = 0; back < 3; ++back) {
                const RecordRead r = reader.recordFromEnd(back);
                if (r.status == RecordStatus::Ok) (void)decodeRecord(layout, r.bytes);
            }
        }
    }
    return 0;
}
