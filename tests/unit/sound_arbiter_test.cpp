// One sound at a time: what a play or stop request does given what plays,
// how the current sound ends, and the names the readers and handlers play.

#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "acquisition/em61_decode.h"
#include "acquisition/em61_reader.h"
#include "acquisition/gps_fix_handler.h"
#include "display/sound_arbiter.h"

namespace velox {
namespace {

TEST(SoundDecision, EachRequestAgainstIdleAndPlaying) {
    struct Case {
        SoundCommand command;
        bool playing;
        SoundAction expected;
    };
    const Case cases[] = {
        {SoundCommand::Play, false, SoundAction::Start},
        {SoundCommand::Play, true, SoundAction::Drop},
        {SoundCommand::PlayInterrupting, false, SoundAction::Start},
        {SoundCommand::PlayInterrupting, true, SoundAction::Replace},
        {SoundCommand::Stop, false, SoundAction::Nothing},
        {SoundCommand::Stop, true, SoundAction::Stop},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << int(c.command) << " playing " << c.playing);
        EXPECT_EQ(decideSound(c.command, c.playing), c.expected);
    }
}

int sound(std::string_view name) { return soundIndex(name).value(); }

TEST(SoundArbiter, TickDuringRingIsDroppedAndRingPlaysOn) {
    SoundArbiter arbiter;
    EXPECT_EQ(arbiter.request(SoundCommand::Play, sound("SOUND_RING"), 100), SoundAction::Start);
    EXPECT_EQ(arbiter.request(SoundCommand::Play, sound("SOUND_RESULT"), 150), SoundAction::Drop);
    EXPECT_EQ(arbiter.playing(150), sound("SOUND_RING"));

    arbiter.ended(sound("SOUND_RING"));
    EXPECT_EQ(arbiter.playing(1000), std::nullopt);
    EXPECT_EQ(arbiter.request(SoundCommand::Play, sound("SOUND_RESULT"), 1000), SoundAction::Start);
}

TEST(SoundArbiter, VoiceCueCutsRingOffAndLateEndOfRingIsIgnored) {
    SoundArbiter arbiter;
    arbiter.request(SoundCommand::Play, sound("SOUND_RING"), 0);
    EXPECT_EQ(arbiter.request(SoundCommand::PlayInterrupting, sound("LEFTSOUND"), 200), SoundAction::Replace);
    // The ring's own end is reported after the voice started.
    arbiter.ended(sound("SOUND_RING"));
    EXPECT_EQ(arbiter.playing(300), sound("LEFTSOUND"));
    EXPECT_EQ(arbiter.request(SoundCommand::Play, sound("SOUND_RESULT"), 300), SoundAction::Drop);
}

TEST(SoundArbiter, StopEndsTheSoundSoTheNextOneStarts) {
    SoundArbiter arbiter;
    arbiter.request(SoundCommand::PlayInterrupting, sound("RINGINSOUND"), 0);
    EXPECT_EQ(arbiter.request(SoundCommand::Stop, 0, 100), SoundAction::Stop);
    EXPECT_EQ(arbiter.playing(100), std::nullopt);
    EXPECT_EQ(arbiter.request(SoundCommand::Stop, 0, 110), SoundAction::Nothing);
    EXPECT_EQ(arbiter.request(SoundCommand::Play, sound("SOUND_GPSWARNING"), 120), SoundAction::Start);
}

// Without an end report a sound still counts as over once its length and the
// grace have passed, also across the wrap of the tick counter.
TEST(SoundArbiter, UnreportedEndExpiresAfterLengthAndGrace) {
    const uint32_t lasts = 1900 + SoundArbiter::END_GRACE_MS;
    for (Tick start : {Tick{5000}, Tick{0xFFFFFF00u}}) {
        SCOPED_TRACE(start);
        SoundArbiter arbiter;
        arbiter.request(SoundCommand::Play, sound("SOUND_RING_2S"), start);
        EXPECT_EQ(arbiter.request(SoundCommand::Play, sound("SOUND_RESULT"), start + lasts), SoundAction::Drop);
        EXPECT_EQ(arbiter.request(SoundCommand::Play, sound("SOUND_RESULT"), start + lasts + 1), SoundAction::Start);
    }
}

TEST(SoundNames, EveryNamePlayedIsOwnedAndUnknownNamesAreNot) {
    std::set<int> indices;
    for (std::string_view name : {SOUND_RESULT, SOUND_RING, RINGINSOUND, SOUND_GPSWARNING, LEFTSOUND, RIGHTSOUND,
                                  BETWEENSOUND, LEFTRIGHTSOUND, std::string_view("SOUND_RING_2S")}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(soundIndex(name).has_value());
        indices.insert(*soundIndex(name));
    }
    EXPECT_EQ(indices.size(), SOUND_RESOURCES.size());
    for (std::string_view name : {"", "SOUND", "sound_ring", "SOUND_RING ", "SystemExclamation"})
        EXPECT_FALSE(soundIndex(name).has_value()) << name;
}

}  // namespace
}  // namespace velox
