// Frame assembly from the instrument's byte stream, and the reader's frame
// counting (decimation and reading ticks).

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "acquisition/em61_frame.h"
#include "em61_test_frames.h"
#include "test_support.h"

namespace velox {
namespace {

using test::makeEm61Frame;
using test::onWire;

class Em61FramerTest : public ::testing::Test {
protected:
    // Pushes the bytes and returns the frames recognised, in order.
    std::vector<Em61Frame> feed(const std::vector<uint8_t>& bytes) {
        std::vector<Em61Frame> frames;
        for (uint8_t b : bytes) {
            const auto outcome = framer.push(b);
            if (outcome == Em61Framer::Outcome::Frame) frames.push_back(framer.frame());
            if (outcome == Em61Framer::Outcome::RejectedLetter) ++rejected;
        }
        return frames;
    }

    test::TempDataRoot root;
    Em61Framer framer;
    int rejected = 0;
    const Em61Frame sample = makeEm61Frame('T', 0x12, {100, -50, 0x7F00, 32767}, 0x0600, 80);
};

TEST_F(Em61FramerTest, DecodesTheFieldsOfAFrame) {
    const auto frames = feed(onWire(sample));
    ASSERT_EQ(frames.size(), 1u);
    const Em61Frame& f = frames[0];
    EXPECT_EQ(f.letter(), 'T');
    EXPECT_EQ(f.gain(), 0x12);
    EXPECT_EQ(f.word(1), 100);
    EXPECT_EQ(f.word(2), -50);
    EXPECT_EQ(f.word(3), 0x7F00);
    EXPECT_EQ(f.word(4), 32767);
    EXPECT_EQ(f.currentWord(), 1536);
    EXPECT_EQ(f.battery(), 80);
    EXPECT_EQ(framer.buffered(), 0u);
}

TEST_F(Em61FramerTest, SkipsNoiseBeforeAFrameAndBetweenFrames) {
    std::vector<uint8_t> stream = {0x00, 0x7F, 'T', 0x41, 0xFF, 0x7F, 0x0A};
    auto wire = onWire(sample);
    stream.insert(stream.end(), wire.begin(), wire.end());
    stream.insert(stream.end(), {0x33, 0x7F, 0x12});
    const Em61Frame second = makeEm61Frame('N', 0x00, {1, 2, 3, 4}, 1585, 75);
    wire = onWire(second);
    stream.insert(stream.end(), wire.begin(), wire.end());

    const auto frames = feed(stream);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, sample.bytes);
    EXPECT_EQ(frames[1].bytes, second.bytes);
}

TEST_F(Em61FramerTest, AFrameWithAByteTooManyIsNotTakenAndTheNextFrameIsFound) {
    // A stray byte inside the frame puts a data byte where the letter should be.
    auto damaged = onWire(sample);
    damaged.insert(damaged.begin() + 5, 0x99);
    auto stream = damaged;
    const auto good = onWire(makeEm61Frame('E', 0, {7, 8, 9, 10}, 1600, 90));
    stream.insert(stream.end(), good.begin(), good.end());

    const auto frames = feed(stream);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].letter(), 'E');
    EXPECT_EQ(frames[0].word(4), 10);
    EXPECT_EQ(rejected, 1);
}

TEST_F(Em61FramerTest, AnUnknownLetterIsRejectedAndTheBufferKept) {
    auto stream = onWire(makeEm61Frame('X', 0, {1, 2, 3, 4}, 1536, 80));
    EXPECT_TRUE(feed(stream).empty());
    EXPECT_EQ(rejected, 1);
    EXPECT_EQ(framer.buffered(), stream.size());
}

TEST_F(Em61FramerTest, AcceptedLettersDependOnTheReader) {
    const auto wheelFrame = onWire(makeEm61Frame('j', 0, {1, 2, 3, 4}, 1536, 80));
    EXPECT_TRUE(feed(wheelFrame).empty());

    Em61Framer wheel(EM61_WHEEL_LETTERS);
    int frames = 0;
    for (uint8_t b : wheelFrame) frames += wheel.push(b) == Em61Framer::Outcome::Frame;
    EXPECT_EQ(frames, 1);
}

TEST_F(Em61FramerTest, LongNoiseIsDiscardedAndAFrameAfterItStillFound) {
    std::vector<uint8_t> noise(1000, 0x55);
    size_t largest = 0;
    for (uint8_t b : noise) {
        framer.push(b);
        largest = std::max(largest, framer.buffered());
    }
    EXPECT_EQ(largest, 181u);
    const auto frames = feed(onWire(sample));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, sample.bytes);
}

TEST(Em61FrameCounter, DispatchesOneFrameInDispatchEvery) {
    test::TempDataRoot root;
    struct Case {
        int dispatchEvery;
        std::vector<int> dispatchedFrames;  // 1-based, of 12 frames
    };
    const Case cases[] = {
        {1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {4, {4, 8, 12}},
        {5, {5, 10}},
        {0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},  // nonsense value: every frame
    };
    for (const Case& c : cases) {
        Em61FrameCounter counter;
        std::vector<int> dispatched;
        for (int frame = 1; frame <= 12; ++frame)
            if (counter.onFrame(c.dispatchEvery, false).dispatch) dispatched.push_back(frame);
        EXPECT_EQ(dispatched, c.dispatchedFrames) << "dispatchEvery " << c.dispatchEvery;
    }
}

TEST(Em61FrameCounter, LoweringDispatchEveryMidCountDispatchesAtOnce) {
    test::TempDataRoot root;
    Em61FrameCounter counter;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(counter.onFrame(4, false).dispatch);
    EXPECT_TRUE(counter.onFrame(1, false).dispatch);
    EXPECT_TRUE(counter.onFrame(1, false).dispatch);
}

TEST(Em61FrameCounter, TicksEveryNinthFrameOnlyWhileWanted) {
    test::TempDataRoot root;
    Em61FrameCounter counter;
    std::vector<int> ticks;
    for (int frame = 1; frame <= 27; ++frame)
        if (counter.onFrame(4, frame > 9).playTick) ticks.push_back(frame);
    // Frames 1-9 are not counted; the count starts at frame 10.
    EXPECT_EQ(ticks, (std::vector<int>{18, 27}));
}

}  // namespace
}  // namespace velox
