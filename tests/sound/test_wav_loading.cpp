// WAV images: which bytes become the sound and which images are refused.

#include <cstring>
#include <fstream>

#include "sound/sound_fixture.h"
#include "sound/wav_builder.h"
#include "support/fixtures.h"

namespace rodazaro_test {
namespace {

class WavLoadingTest : public SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        Open();
        // A decoder that would take any image starting with "R".
        ScriptedDecoderSlot<0>::Reset('R');
        sound::AddSoundDecoder(&ScriptedDecoderSlot<0>::Record());
    }
    std::intptr_t Load(std::int32_t number, const Bytes& image) {
        return sound::LoadSoundData(number, image.data(), static_cast<std::uint32_t>(image.size()));
    }
    static platform::WaveFormat FormatOf(const platform::test::SoundBufferInfo* info) {
        platform::WaveFormat format{};
        std::memcpy(&format, info->format.data(), std::min(info->format.size(), sizeof format));
        return format;
    }
};

TEST_F(WavLoadingTest, PcmFormatsLoadWithTheirFormatAndSamples) {
    struct Case {
        int channels;
        std::uint32_t rate;
        int bits;
    };
    const Case cases[] = {{1, 22050, 8}, {2, 22050, 8}, {1, 44100, 16}, {2, 44100, 16}, {2, 11025, 16}};
    std::int32_t number = 0;
    for (const Case& c : cases) {
        const Bytes samples = Ramp(static_cast<std::size_t>(c.channels * c.bits / 8) * 25, 7);
        ASSERT_NE(Load(number, Wav(c.channels, c.rate, c.bits, samples)), 0) << number;
        const auto* info = Sound(number);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->flags, platform::kBufferStaticFlags);
        EXPECT_EQ(info->format, FormatBody(c.channels, c.rate, c.bits));
        const platform::WaveFormat format = FormatOf(info);
        EXPECT_EQ(format.channels, c.channels);
        EXPECT_EQ(format.samplesPerSecond, c.rate);
        EXPECT_EQ(format.bitsPerSample, c.bits);
        EXPECT_EQ(info->data, samples);
        EXPECT_FALSE(info->locked);
        ++number;
    }
    EXPECT_EQ(ScriptedDecoderSlot<0>::State().opens, 0);
}

TEST_F(WavLoadingTest, ChunksBeforeTheDataChunkAreSkipped) {
    const Bytes samples = Ramp(64, 0x40);
    const Bytes list = {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 4, 0, 0, 0, 'a', 'b', 'c', 0};
    const Bytes odd = Ramp(7, 0xA0);  // an odd chunk, padded with one byte
    ASSERT_NE(Load(2, Riff({{"fmt ", FormatBody(2, 44100, 16)}, {"LIST", list}, {"junk", odd}, {"data", samples}})), 0);
    EXPECT_EQ(Sound(2)->data, samples);
    // Chunks after the data chunk do not matter either.
    ASSERT_NE(Load(3, Riff({{"fmt ", FormatBody(1, 8000, 8)}, {"data", samples}, {"LIST", list}})), 0);
    EXPECT_EQ(Sound(3)->data, samples);
}

TEST_F(WavLoadingTest, OddFormatChunkIsFollowedByItsPadByte) {
    const Bytes extra = {0x5A};
    const Bytes body = FormatBody(1, 22050, 16, &extra);  // 19 bytes
    ASSERT_EQ(body.size(), 19u);
    const Bytes samples = Ramp(20, 3);
    ASSERT_NE(Load(0, Riff({{"fmt ", body}, {"data", samples}})), 0);
    EXPECT_EQ(Sound(0)->format, body);
    EXPECT_EQ(Sound(0)->data, samples);
}

TEST_F(WavLoadingTest, ImagesThatRunShortOrLackDataAreRefused) {
    const Bytes good = Wav(1, 22050, 16, Ramp(40));
    ASSERT_NE(Load(5, good), 0);
    const int keptId = Sound(5)->id;
    // Every cut of a good image that still begins with "RIFF" is refused,
    // header or samples cut.
    for (std::size_t size = 4; size < good.size(); ++size) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(Load(5, cut), 0) << size;
    }
    const Bytes samples = Ramp(40);
    const std::vector<std::vector<Chunk>> bad = {
        // data announces more than the image holds
        {{"fmt ", FormatBody(1, 22050, 16)}, {"data", samples, 41}},
        {{"fmt ", FormatBody(1, 22050, 16)}, {"data", samples, 0xFFFFFFFF}},
        // format chunk announces more than the image holds
        {{"fmt ", FormatBody(1, 22050, 16), 0xFFFFFFF0}, {"data", samples}},
        // a chunk before data runs past the end
        {{"fmt ", FormatBody(1, 22050, 16)}, {"LIST", samples, 0x7FFFFFFF}, {"data", samples}},
        // no data chunk at all
        {{"fmt ", FormatBody(1, 22050, 16)}, {"LIST", samples}},
        // the data chunk is empty: the device refuses a buffer of no bytes
        {{"fmt ", FormatBody(1, 22050, 16)}, {"data", {}}},
    };
    for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_EQ(Load(5, Riff(bad[i])), 0) << i;
    EXPECT_EQ(Sound(5)->id, keptId);
    EXPECT_EQ(platform::test::LiveSoundBufferCount(), 2);
    EXPECT_EQ(ScriptedDecoderSlot<0>::State().opens, 0);
}

TEST_F(WavLoadingTest, RiffWithoutFormatChunkFirstFailsWithoutAskingDecoders) {
    const Bytes samples = Ramp(40);
    EXPECT_EQ(Load(0, Riff({{"LIST", Ramp(4)}, {"fmt ", FormatBody(1, 22050, 16)}, {"data", samples}})), 0);
    EXPECT_EQ(Load(0, Riff({{"data", samples}})), 0);
    EXPECT_EQ(ScriptedDecoderSlot<0>::State().opens, 0);
    EXPECT_EQ(sound::LookupSound(0), nullptr);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(WavLoadingTest, FormatsTheDeviceRefusesFailTheLoad) {
    const Bytes samples = Ramp(40);
    Bytes adpcm = FormatBody(1, 22050, 16);
    adpcm[0] = 2;
    const Bytes pcm = FormatBody(1, 22050, 16);
    const Bytes shortFormat(pcm.begin(), pcm.begin() + 14);
    const std::vector<Bytes> bodies = {adpcm, FormatBody(6, 22050, 16), FormatBody(1, 22050, 24), FormatBody(1, 50, 16),
                                       shortFormat};
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        EXPECT_EQ(Load(1, Riff({{"fmt ", bodies[i]}, {"data", samples}})), 0) << i;
    }
    EXPECT_EQ(sound::LookupSound(1), nullptr);
}

class WavFileTest : public WavLoadingTest {
protected:
    TempDir dir_;
};

TEST_F(WavFileTest, FilesLoadByTheScriptsPathSpelling) {
    const Bytes samples = Ramp(100, 9);
    dir_.Write("data/sound/Tone.WAV", Wav(2, 22050, 16, samples));
    const std::string path = dir_.Path() + "\\data\\sound\\tone.wav";
    ASSERT_NE(sound::LoadSoundFile(7, path.c_str()), 0);
    EXPECT_EQ(Sound(7)->data, samples);
    EXPECT_EQ(sound::LoadSoundFile(8, (dir_.Path() + "/data/sound/missing.wav").c_str()), 0);
    dir_.Write("data/sound/empty.wav", Bytes{});
    EXPECT_EQ(sound::LoadSoundFile(7, (dir_.Path() + "/data/sound/empty.wav").c_str()), 0);
    EXPECT_EQ(Sound(7)->data, samples);
    EXPECT_EQ(sound::LookupSound(8), nullptr);
}

}  // namespace
}  // namespace rodazaro_test
