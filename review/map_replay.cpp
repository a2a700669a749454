#include "review/map_replay.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "acquisition/em61_decode.h"
#include "acquisition/em61_handler.h"
#include "display/swath.h"
#include "logging/data_file_format.h"
#include "platform/clock.h"

namespace velox {

namespace {

constexpr int NULL_OFFSET_GROUP = 4;
constexpr int FILTER_FACTOR_GROUP = 2;
constexpr std::string_view PAUSE_EVENT = "PAUSED";  // also "PAUSED BMP"

// One swath edge as recorded: left x, left y, right x, right y.
struct Edge {
    std::array<double, 4> values{};
    unsigned present = 0;  // bit k: value k was read
    bool complete() const { return present == 0xF; }
};

// The colour entries of the readings since the last edge, bounded like a
// live colour row so that the replay colours a strip as the live map did.
class ReplayCollector : public ColourSwathInput {
public:
    explicit ReplayCollector(const ColourScale& scale) : scale_(scale) {}
    bool collecting() const override { return collecting_; }
    int colourIndexOf(double value) const override { return scale_.colourIndexOf(value, false); }
    void colourBufferAppend(int entry) override {
        if (collecting_ && entries_.size() < COLOUR_ROW_LENGTH) entries_.push_back(entry);
    }
    void setCollecting(bool on) { collecting_ = on; }
    void clear() { entries_.clear(); }
    std::span<const int> entries() const { return entries_; }

private:
    const ColourScale& scale_;
    bool collecting_ = false;
    std::vector<int> entries_;
};

class MapReplay {
public:
    MapReplay(const DataFileReader& reader, const SurveyConfig& config, const ColourScale& scale,
              SwathSurface& surface)
        : reader_(reader), config_(config), surface_(surface), collector_(scale) {
        offsets_ = config.lastNullValues;
        coefficients_ = {filterCoefficientFromFactor(config.filterFactorLeft),
                         filterCoefficientFromFactor(config.filterFactorRight)};
        sensorCount_ = config.sensorCountIndex >= 1 ? 2 : 1;
        const RecordRead first = reader.record(0);
        const auto layout = layoutFromProductTag(first.bytes);
        layout_ = layout && layout->instrument == InstrumentType::Em61Lx2
                      ? *layout
                      : layoutOf(InstrumentType::Em61Lx2, ProductLine::Velox);
    }

    MapReplayResult run(const ReplayProgress& progress) {
        MapReplayResult result;
        const auto start = findSurveyStart(reader_);
        result.startFound = start.has_value();
        const std::size_t headerEnd = start ? *start : static_cast<std::size_t>(START_SEARCH_RECORDS);
        for (std::size_t i = 0; i < headerEnd;) {
            const auto record = decoded(i);
            if (!record) break;
            i = takeHeaderValue(i, *record);
        }

        Tick lastProgress = tickNow();
        for (std::size_t i = headerEnd + (start ? 1 : 0);;) {
            if (progress && ticksSince(lastProgress) >= REPLAY_PROGRESS_MS) {
                progress();
                lastProgress = tickNow();
            }
            const auto record = decoded(i);
            if (!record) break;
            i = handle(i, *record);
        }
        result.edges = edges_;
        return result;
    }

private:
    std::optional<DataRecord> decoded(std::size_t index) const {
        const RecordRead read = reader_.record(index);
        if (read.status != RecordStatus::Ok) return std::nullopt;
        return decodeRecord(layout_, read.bytes);
    }

    // Header records before the survey start: the sensor count of the tag
    // and the offsets and filter factors in force. Returns the next index.
    std::size_t takeHeaderValue(std::size_t index, const DataRecord& record) {
        switch (record.kind) {
            case RecordKind::ProductTag:
            case RecordKind::ContinuationTag: takeSensorCount(record); return index + 1;
            case RecordKind::NullOffset: return takeNullOffsets(index);
            case RecordKind::FilterFactor: return takeFilterFactors(index);
            default: return index + 1;
        }
    }

    std::size_t handle(std::size_t index, const DataRecord& record) {
        switch (record.kind) {
            case RecordKind::SwathStart: startSegment(); break;
            case RecordKind::SwathEdge: takeEdgeValue(record); break;
            case RecordKind::Reading: collect(record); break;
            case RecordKind::NullOffset: return takeNullOffsets(index);
            case RecordKind::FilterFactor: return takeFilterFactors(index);
            case RecordKind::ContinuationTag:
                takeSensorCount(record);
                closeSegment();
                break;
            case RecordKind::Event:
                if (record.text && record.text->starts_with(PAUSE_EVENT)) closeSegment();
                break;
            case RecordKind::Comment:
            case RecordKind::Line:
            case RecordKind::Station: collector_.setCollecting(false); break;
            default: break;
        }
        return index + 1;
    }

    void takeSensorCount(const DataRecord& record) {
        if (const auto tag = recogniseProductTag(record.bytes))
            sensorCount_ = tag->tag->tag.find("LX1") != std::string_view::npos ? 1 : 2;
    }

    // A whole group of consecutive records of `kind`, each with its value; a
    // broken group changes nothing and replay goes on at the record that broke it.
    std::optional<std::vector<double>> group(std::size_t index, RecordKind kind, int size, std::size_t& next) const {
        std::vector<double> values;
        for (int k = 0; k < size; ++k) {
            const auto record = decoded(index + k);
            if (!record || record->kind != kind || record->values.empty()) {
                next = index + std::max(k, 1);
                return std::nullopt;
            }
            values.push_back(record->values.front());
        }
        next = index + size;
        return values;
    }

    std::size_t takeNullOffsets(std::size_t index) {
        std::size_t next = index;
        if (const auto values = group(index, RecordKind::NullOffset, NULL_OFFSET_GROUP, next))
            std::copy(values->begin(), values->end(), offsets_.begin());
        return next;
    }

    std::size_t takeFilterFactors(std::size_t index) {
        std::size_t next = index;
        if (const auto values = group(index, RecordKind::FilterFactor, FILTER_FACTOR_GROUP, next))
            coefficients_ = {filterCoefficientFromFactor((*values)[0]), filterCoefficientFromFactor((*values)[1])};
        return next;
    }

    void startSegment() {
        segmentOpen_ = true;
        previous_ = {};
        current_ = {};
        collector_.clear();
        collector_.setCollecting(true);
    }

    void closeSegment() {
        segmentOpen_ = false;
        collector_.setCollecting(false);
    }

    void takeEdgeValue(const DataRecord& record) {
        if (record.bytes.size() < 2) return;
        const char sub = record.bytes[1];
        if (sub >= 'a' && sub <= 'd') {
            takeInto(previous_, sub - 'a', record);
            if (sub == 'd' && previous_.complete() && !colourView()) markEdge(previous_);
        } else if (sub >= 'e' && sub <= 'h') {
            takeInto(current_, sub - 'e', record);
            if (sub == 'h') closeStrip();
        }
    }

    // The four values of an edge come in order; a missing or unreadable one
    // spoils the edge rather than mixing it with an older one.
    static void takeInto(Edge& edge, int k, const DataRecord& record) {
        if (k == 0) edge = {};
        const bool inOrder = k == 0 || (edge.present & (1u << (k - 1))) != 0;
        if (record.values.empty() || !inOrder) {
            edge = {};
            return;
        }
        edge.values[k] = record.values.front();
        edge.present |= 1u << k;
    }

    // A damaged edge breaks the chain: the next strip would otherwise be
    // drawn from an older edge across two intervals.
    void closeStrip() {
        if (current_.complete()) {
            if (!colourView())
                markEdge(current_);
            else if (previous_.complete())
                paintStrip();
        }
        previous_ = current_;
        current_ = {};
        collector_.clear();
        collector_.setCollecting(segmentOpen_);
    }

    void paintStrip() {
        drawSwathStrip(surface_, pixelsOf(previous_), pixelsOf(current_), collector_.entries(), sensorCount_);
        ++edges_;
    }

    void markEdge(const Edge& edge) {
        drawPositionMarks(surface_, pixelsOf(edge), sensorCount_, config_.positionSize);
        ++edges_;
    }

    SwathBar pixelsOf(const Edge& edge) const {
        return {surface_.toPixel(edge.values[0], edge.values[1]), surface_.toPixel(edge.values[2], edge.values[3])};
    }

    void collect(const DataRecord& record) {
        if (!collector_.collecting() || !colourView()) return;
        const auto bytes = std::span(reinterpret_cast<const uint8_t*>(record.bytes.data()), record.bytes.size());
        const auto recorded = sensorCount_ == 1 ? decodeRecordedLx2One(bytes, offsets_[0], offsets_[1])
                                                : decodeRecordedLx2Two(bytes, offsets_);
        if (!recorded) return;
        Lx2Reading reading;
        reading.channels = recorded->channels;
        for (int sensor = 0; sensor < sensorCount_; ++sensor)
            reading.filtered[sensor] =
                filteredChannel(reading.early(sensor), reading.late(sensor), coefficients_[sensor]);
        if (const auto entry = colourEntryOf(reading, sensorCount_, config_.colourMapView, collector_))
            collector_.colourBufferAppend(*entry);
    }

    bool colourView() const { return config_.colourMapView > 0; }

    const DataFileReader& reader_;
    const SurveyConfig& config_;
    SwathSurface& surface_;
    ReplayCollector collector_;
    RecordLayout layout_;
    int sensorCount_ = 2;
    std::array<double, 4> offsets_{};
    std::array<double, 2> coefficients_{};
    bool segmentOpen_ = false;
    Edge previous_;
    Edge current_;
    std::size_t edges_ = 0;
};

}  // namespace

MapReplayResult replayFileToMap(const DataFileReader& reader, const SurveyConfig& config, const ColourScale& scale,
                                SwathSurface& surface, const ReplayProgress& progress) {
    return MapReplay(reader, config, scale, surface).run(progress);
}

}  // namespace velox
