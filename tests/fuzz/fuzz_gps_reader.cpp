// Streams arbitrary bytes through the GPS reader's line handling and the fix
// and status handlers, as the reader thread and the user-interface thread
// would see them (the hand-over runs the handlers at once). The first byte
// picks the input format, the survey mode and the display settings.

#include <cstddef>
#include <cstdint>

#include "acquisition/gps_fix_handler.h"
#include "acquisition/gps_reader.h"
#include "acquisition/nmea_assembler.h"
#include "acquisition/worker_messages.h"
#include "config/survey_config.h"
#include "config/survey_context.h"
#include "logging/data_file.h"
#include "platform/handover.h"
#include "platform/sound_player.h"

namespace {

class NoSound final : public velox::SoundPlayer {
public:
    void playSound(std::string_view, bool) override {}
    void stopSound() override {}
};

class NoMap final : public velox::MapSink {
public:
    void startSurvey(velox::MapPoint) override {}
    void closeColourPiece() override {}
    void onFix(const velox::MapFix&) override {}
    bool inReview() const override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t choice = data[0];
    velox::SurveyConfig config;
    config.nmeaData = choice % velox::GPS_FORMAT_COUNT;
    config.pseudoGgaSlam = (choice >> 4) & 1;
    config.coordinatesDisplay = (choice >> 5) & 3;
    config.mapUnits = (choice >> 6) % 3;
    config.speedUnits = choice % 4;
    velox::SurveyContext context;
    context.derived.workingSurveyMode = (choice >> 3) % 3;
    context.logging.loggingState = velox::LoggingState::Logging;
    velox::initProjection();

    const velox::GpsSentenceFormat& format = velox::configureGpsFormat(config.nmeaData, config.pseudoGgaSlam);
    NoSound sounds;
    NoMap map;
    velox::GpsFixHandler handler(config, context, format, sounds, map);
    velox::HandOverChannel channel;
    channel.setUiThread(std::this_thread::get_id());
    channel.setHandler([&](int message) {
        if (message == velox::WM_GPS_FIX) handler.onGpsFix(true);
        if (message == velox::WM_GPS_STATUS) handler.onGpsStatus();
    });
    velox::DataFile file(velox::Variant{velox::InstrumentType::Em61Lx2, velox::ProductLine::Velox});
    velox::GpsLineHandler lines(format, context.derived.workingSurveyMode, context, file, channel);

    velox::NmeaLineAssembler assembler;
    for (size_t i = 1; i < size; ++i) {
        if (const std::optional<velox::AssembledLine> line = assembler.push(data[i], static_cast<velox::Tick>(i * 300)))
            lines.handle(*line);
        if (data[i] == '~') velox::writeHeldGpsSentences(context.gpsReader, file);  // a manual reading
    }
    return 0;
}
