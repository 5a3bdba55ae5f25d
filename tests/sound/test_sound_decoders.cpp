// The decoder list and sounds that come from a decoder.

#include <cstring>

#include "sound/sound_fixture.h"

namespace rodazaro_test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using First = ScriptedDecoderSlot<1>;
using Second = ScriptedDecoderSlot<2>;

class SoundDecoderTest : public SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        Open();
        First::Reset('A');
        Second::Reset('B');
    }
    static std::intptr_t Load(std::int32_t number, const Bytes& image) {
        return sound::LoadSoundData(number, image.data(), static_cast<std::uint32_t>(image.size()));
    }
    static platform::WaveFormat FormatOf(std::int32_t number) {
        platform::WaveFormat format{};
        const auto* info = Sound(number);
        EXPECT_EQ(info->format.size(), sizeof format);
        std::memcpy(&format, info->format.data(), std::min(info->format.size(), sizeof format));
        return format;
    }
};

TEST_F(SoundDecoderTest, FirstDecoderInRegistrationOrderThatTakesTheImageDecodesIt) {
    sound::AddSoundDecoder(&First::Record());
    sound::AddSoundDecoder(&Second::Record());
    const Bytes b = {'B', 1, 2, 3};
    EXPECT_EQ(sound::FindSoundDecoder(b.data(), 4), 1);
    EXPECT_EQ(sound::CurrentSoundDecoder(), &Second::Record());
    EXPECT_EQ(First::State().opens, 1);
    EXPECT_EQ(Second::State().opens, 1);
    // Nobody takes it: the current decoder stays what it was.
    const Bytes c = {'C', 1, 2, 3};
    EXPECT_EQ(sound::FindSoundDecoder(c.data(), 4), 0);
    EXPECT_EQ(sound::CurrentSoundDecoder(), &Second::Record());
    EXPECT_EQ(First::State().opens, 2);
    EXPECT_EQ(Second::State().opens, 2);
    EXPECT_EQ(Load(0, c), 0);
    EXPECT_EQ(sound::LookupSound(0), nullptr);
    // A decoder that the first one shadows is never asked.
    Second::State().tag = 'A';
    const Bytes a = {'A', 0};
    EXPECT_EQ(sound::FindSoundDecoder(a.data(), 2), 1);
    EXPECT_EQ(sound::CurrentSoundDecoder(), &First::Record());
    EXPECT_EQ(Second::State().accepted, 1);
}

TEST_F(SoundDecoderTest, DecoderListStopsAtItsCapacity) {
    for (int i = 0; i < sound::kMaxSoundDecoders + 5; ++i) sound::AddSoundDecoder(&First::Record());
    EXPECT_EQ(sound::SoundDecoderCount(), sound::kMaxSoundDecoders);
    EXPECT_EQ(sound::SoundDecoderAt(sound::kMaxSoundDecoders - 1), &First::Record());
    EXPECT_EQ(sound::SoundDecoderAt(sound::kMaxSoundDecoders), nullptr);
}

TEST_F(SoundDecoderTest, DecodedMonoAndStereoGetSixteenBitPcmFormats) {
    sound::AddSoundDecoder(&First::Record());
    First::State().channels = 1;
    First::State().frames = 30;
    First::State().frequency = 22050;
    First::State().produce = 1000;
    ASSERT_NE(Load(0, {'A'}), 0);
    platform::WaveFormat mono = FormatOf(0);
    EXPECT_EQ(mono.formatTag, 1);
    EXPECT_EQ(mono.channels, 1);
    EXPECT_EQ(mono.samplesPerSecond, 22050u);
    EXPECT_EQ(mono.averageBytesPerSecond, 44100u);
    EXPECT_EQ(mono.blockAlign, 2);
    EXPECT_EQ(mono.bitsPerSample, 16);
    EXPECT_EQ(mono.extraSize, 0);
    EXPECT_EQ(Sound(0)->data.size(), 60u);
    EXPECT_EQ(First::State().decodeCounts, std::vector<std::uint32_t>{60});

    First::State().channels = 2;
    First::State().frames = 25;
    First::State().frequency = 44100;
    ASSERT_NE(Load(1, {'A'}), 0);
    platform::WaveFormat stereo = FormatOf(1);
    EXPECT_EQ(stereo.channels, 2);
    EXPECT_EQ(stereo.averageBytesPerSecond, 176400u);
    EXPECT_EQ(stereo.blockAlign, 4);
    ASSERT_EQ(Sound(1)->data.size(), 100u);
    for (std::size_t i = 0; i < 100; ++i) ASSERT_EQ(Sound(1)->data[i], static_cast<std::uint8_t>(i + 1)) << i;
}

TEST_F(SoundDecoderTest, AbsurdStreamsAreRefusedAndTheirStreamClosed) {
    sound::AddSoundDecoder(&First::Record());
    struct Case {
        std::int32_t channels;
        std::int32_t frames;
    };
    const Case cases[] = {{2, -1}, {0, 100}, {-2, 100}, {2, 0x7FFFFFFF}, {256, 100}, {2, (1 << 28) + 1}};
    for (const Case& c : cases) {
        First::State().channels = c.channels;
        First::State().frames = c.frames;
        First::State().closedWithoutRoom = 0;
        EXPECT_EQ(Load(2, {'A'}), 0) << c.channels << " x " << c.frames;
        EXPECT_EQ(First::State().closedWithoutRoom, 1) << c.channels << " x " << c.frames;
    }
    EXPECT_EQ(sound::LookupSound(2), nullptr);
    EXPECT_FALSE(Called("create bytes=0"));
}

TEST_F(SoundDecoderTest, StreamOfNoFramesIsRefusedByTheDevice) {
    sound::AddSoundDecoder(&First::Record());
    First::State().frames = 0;
    EXPECT_EQ(Load(2, {'A'}), 0);
    EXPECT_EQ(sound::LookupSound(2), nullptr);
    EXPECT_EQ(platform::test::LiveSoundBufferCount(), 1);
}

TEST_F(SoundDecoderTest, RateTheDeviceRefusesFailsTheLoad) {
    sound::AddSoundDecoder(&First::Record());
    First::State().frequency = 1000000;
    EXPECT_EQ(Load(2, {'A'}), 0);
    First::State().frequency = -44100;
    EXPECT_EQ(Load(2, {'A'}), 0);
    EXPECT_EQ(sound::LookupSound(2), nullptr);
}

}  // namespace
}  // namespace rodazaro_test
