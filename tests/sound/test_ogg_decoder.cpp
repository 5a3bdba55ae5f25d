// The Ogg Vorbis decoder: its memory source, its stream facts and its
// output, compared with what vorbisfile decodes through stdio.

#include <cstring>

#include "sound/sound_fixture.h"
#include "sound/vorbis_files.h"

namespace rodazaro_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Encoded once: encoding is the slow part of these tests.
const Bytes& StereoSecond() {
    static const Bytes file = EncodeVorbis(2, 44100, Tones(2, 44100, 44100));
    return file;
}
const Bytes& MonoShort() {
    static const Bytes file = EncodeVorbis(1, 22050, Tones(1, 22050, 5000, 440.0), 7);
    return file;
}

class OggDecoderTest : public SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        Open();
        sound::RegisterOggDecoder();
    }
    static std::intptr_t Load(std::int32_t number, const Bytes& image) {
        return sound::LoadSoundData(number, image.data(), static_cast<std::uint32_t>(image.size()));
    }
};

TEST_F(OggDecoderTest, RegisteringTwiceLeavesOneEntry) {
    sound::RegisterOggDecoder();
    EXPECT_EQ(sound::SoundDecoderCount(), 1);
    EXPECT_EQ(sound::SoundDecoderAt(0), &sound::OggSoundDecoder);
    EXPECT_EQ(sound::OggSoundDecoder.OpenData, &sound::OggOpenData);
    EXPECT_EQ(sound::OggSoundDecoder.GetFrequency, &sound::OggGetFrequency);
}

TEST_F(OggDecoderTest, StereoSecondDecodesToVorbisfilesOwnSamples) {
    const Bytes& file = StereoSecond();
    ASSERT_FALSE(file.empty());
    const ReferenceDecode reference = DecodeWithStdio(file);
    ASSERT_TRUE(reference.ok);
    ASSERT_EQ(reference.frames, 44100);

    ASSERT_EQ(sound::OggOpenData(file.data(), static_cast<std::uint32_t>(file.size())), 1);
    EXPECT_EQ(sound::OggGetChannels(), 2);
    EXPECT_EQ(sound::OggGetFrequency(), 44100);
    EXPECT_EQ(sound::OggGetSampleCount(), 44100);
    sound::OggDecodeAll(nullptr, 0);  // closes it again

    ASSERT_NE(Load(0, file), 0);
    const auto* info = Sound(0);
    ASSERT_EQ(info->data.size(), 176400u);
    EXPECT_EQ(info->data, reference.pcm);
    platform::WaveFormat format{};
    std::memcpy(&format, info->format.data(), sizeof format);
    EXPECT_EQ(format.averageBytesPerSecond, 176400u);
    EXPECT_EQ(format.blockAlign, 4);
    // Not silence: the tones are there.
    int loud = 0;
    for (std::size_t i = 0; i + 1 < info->data.size(); i += 2) {
        const auto v = static_cast<std::int16_t>(info->data[i] | (info->data[i + 1] << 8));
        loud += (v > 8000 || v < -8000) ? 1 : 0;
    }
    EXPECT_GT(loud, 10000);
}

TEST_F(OggDecoderTest, MonoAndStereoLoadedInTurnDecodeIndependently) {
    const ReferenceDecode mono = DecodeWithStdio(MonoShort());
    const ReferenceDecode stereo = DecodeWithStdio(StereoSecond());
    ASSERT_TRUE(mono.ok);
    ASSERT_EQ(mono.frames, 5000);
    ASSERT_NE(Load(1, MonoShort()), 0);
    ASSERT_NE(Load(2, StereoSecond()), 0);
    ASSERT_NE(Load(3, MonoShort()), 0);
    EXPECT_EQ(Sound(1)->data.size(), 10000u);
    EXPECT_EQ(Sound(1)->data, mono.pcm);
    EXPECT_EQ(Sound(2)->data, stereo.pcm);
    EXPECT_EQ(Sound(3)->data, mono.pcm);
    platform::WaveFormat format{};
    std::memcpy(&format, Sound(1)->format.data(), sizeof format);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.samplesPerSecond, 22050u);
    EXPECT_EQ(format.averageBytesPerSecond, 44100u);
    EXPECT_EQ(format.blockAlign, 2);
}

TEST_F(OggDecoderTest, ShortOrForeignDataIsNotOpened) {
    const Bytes& file = StereoSecond();
    const std::vector<Bytes> refused = {
        {},
        {'O', 'g', 'g', 'S'},
        Bytes(file.begin(), file.begin() + 20),
        Bytes(5000, 0x55),
        {'R', 'I', 'F', 'X', 0, 0, 0, 0},
    };
    for (std::size_t i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(sound::OggOpenData(refused[i].data(), static_cast<std::uint32_t>(refused[i].size())), 0) << i;
        EXPECT_EQ(Load(4, refused[i]), 0) << i;
    }
    EXPECT_EQ(sound::LookupSound(4), nullptr);
}

TEST_F(OggDecoderTest, DecodeNeverWritesPastItsCountAndSilencesWhatItDidNotReach) {
    const Bytes& file = StereoSecond();
    const ReferenceDecode reference = DecodeWithStdio(file);
    // Less room than the stream needs: exactly the room is written, the
    // whole frames that fit and silence in the part of a frame after them.
    std::vector<std::uint8_t> out(20000, 0xAB);
    ASSERT_EQ(sound::OggOpenData(file.data(), static_cast<std::uint32_t>(file.size())), 1);
    sound::OggDecodeAll(out.data(), 10002);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 10000, reference.pcm.begin()));
    EXPECT_EQ(out[10000], 0);
    EXPECT_EQ(out[10001], 0);
    for (std::size_t i = 10002; i < out.size(); ++i) ASSERT_EQ(out[i], 0xAB) << i;
    // More room than the stream fills: the rest is silence.
    std::vector<std::uint8_t> big(reference.pcm.size() + 1000, 0xAB);
    ASSERT_EQ(sound::OggOpenData(file.data(), static_cast<std::uint32_t>(file.size())), 1);
    sound::OggDecodeAll(big.data(), static_cast<std::uint32_t>(big.size()));
    EXPECT_TRUE(std::equal(reference.pcm.begin(), reference.pcm.end(), big.begin()));
    for (std::size_t i = reference.pcm.size(); i < big.size(); ++i) ASSERT_EQ(big[i], 0) << i;
}

TEST_F(OggDecoderTest, ChainWhoseLaterStreamHasMoreChannelsStaysInItsBuffer) {
    // A mono stream then a stereo one: the size is reckoned on the first
    // stream's channels, so the second one would overrun it.
    Bytes chain = EncodeVorbis(1, 22050, Tones(1, 22050, 3000), 11);
    const Bytes tail = EncodeVorbis(2, 22050, Tones(2, 22050, 3000), 12);
    chain.insert(chain.end(), tail.begin(), tail.end());
    ASSERT_EQ(sound::OggOpenData(chain.data(), static_cast<std::uint32_t>(chain.size())), 1);
    ASSERT_EQ(sound::OggGetChannels(), 1);
    ASSERT_EQ(sound::OggGetSampleCount(), 6000);
    const std::uint32_t bytes = 6000 * 1 * 2;
    std::vector<std::uint8_t> out(bytes + 64, 0xCD);
    sound::OggDecodeAll(out.data(), bytes);
    for (std::size_t i = bytes; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCD) << i;
    // Through the loader the same file makes a sound of exactly that size.
    ASSERT_NE(Load(5, chain), 0);
    EXPECT_EQ(Sound(5)->data.size(), bytes);
}

TEST_F(OggDecoderTest, DamagedStreamSkipsWhatIsLostAndEndsInSilence) {
    Bytes damaged = EncodeVorbis(2, 44100, Noise(2, 44100));
    // Scribble over audio pages in the middle of the file.
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 16; ++i) damaged[i] ^= 0x5A;
    const ReferenceDecode reference = DecodeWithStdio(damaged);
    ASSERT_TRUE(reference.ok);
    ASSERT_EQ(reference.frames, 44100);
    ASSERT_LT(reference.pcm.size(), 176400u) << "the damage should cost samples";
    ASSERT_EQ(sound::OggOpenData(damaged.data(), static_cast<std::uint32_t>(damaged.size())), 1);
    // The sound is as long as what really decoded, not as the stream claims.
    ASSERT_EQ(sound::OggGetSampleCount(), static_cast<std::int32_t>(reference.pcm.size() / 4));
    std::vector<std::uint8_t> out(176400 + 16, 0xAB);
    sound::OggDecodeAll(out.data(), 176400);
    // What could be decoded, back to back, then silence to the end.
    EXPECT_TRUE(std::equal(reference.pcm.begin(), reference.pcm.end(), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(reference.pcm.size()), out.begin() + 176400,
                            [](std::uint8_t b) { return b == 0; }));
    for (std::size_t i = 176400; i < out.size(); ++i) ASSERT_EQ(out[i], 0xAB) << i;
    ASSERT_NE(Load(6, damaged), 0);
    EXPECT_EQ(Sound(6)->data, reference.pcm);
}

// Crafted streams that once ended the program or made it allocate what the
// stream only claimed: each load fails or shrinks to what decodes, and a good
// sound loads as before right after it.
TEST_F(OggDecoderTest, CraftedStreamsFailOrShrinkToWhatReallyDecodes) {
    struct Case {
        const char* what;
        Bytes file;
        std::size_t mostBytes;  // 0: the load fails
    };
    const Bytes& good = StereoSecond();
    const std::vector<Case> cases = {
        // libvorbis gives up setting up its decoder on a codebook whose
        // code lengths overfill the tree; asking it to decode again then
        // divided by zero in the residue decoder (SIGFPE).
        {"overfull codebook", WithOverfullFirstCodebook(good), 0},
        // The last page claims 0x1FFFFFFF frames: the sound is the frames
        // that are there (the last block untrimmed, as the true end is
        // unknown), and nothing is allocated for the claim.
        {"lying last page", WithLastGranule(good, 0x1FFFFFFF), 176400 + 4 * 2048},
        {"last page claims nothing", WithLastGranule(good, 0), 0},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.file.empty()) << c.what;
        const std::intptr_t loaded = Load(3, c.file);
        if (c.mostBytes == 0) {
            EXPECT_EQ(loaded, 0) << c.what;
            EXPECT_EQ(sound::LookupSound(3), nullptr) << c.what;
        } else {
            ASSERT_NE(loaded, 0) << c.what;
            EXPECT_GT(Sound(3)->data.size(), 0u) << c.what;
            EXPECT_LE(Sound(3)->data.size(), c.mostBytes) << c.what;
        }
        sound::FreeSound(3);
        ASSERT_NE(Load(4, good), 0) << "after " << c.what;
        EXPECT_EQ(Sound(4)->data.size(), 176400u) << "after " << c.what;
    }
}

TEST_F(OggDecoderTest, MemorySourceReadsSeeksAndTellsWithinTheImage) {
    Bytes image = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    void* source = image.data();
    sound::OpenMemoryStream(static_cast<std::uint32_t>(image.size()));
    std::uint8_t got[16] = {};
    EXPECT_EQ(sound::MemoryRead(got, 1, 4, source), 4u);
    EXPECT_EQ(got[0], 10);
    EXPECT_EQ(got[3], 13);
    EXPECT_EQ(sound::MemoryTell(source), 4);
    EXPECT_EQ(sound::MemoryRead(got, 1, 16, source), 6u);
    EXPECT_EQ(got[5], 19);
    EXPECT_EQ(sound::MemoryRead(got, 1, 16, source), 0u);

    EXPECT_EQ(sound::MemorySeek(source, 0, SEEK_END), 0);
    EXPECT_EQ(sound::MemoryTell(source), 10);
    EXPECT_EQ(sound::MemoryRead(got, 1, 1, source), 0u);
    EXPECT_EQ(sound::MemorySeek(source, -3, SEEK_CUR), 0);
    EXPECT_EQ(sound::MemoryTell(source), 7);
    EXPECT_EQ(sound::MemoryRead(got, 1, 1, source), 1u);
    EXPECT_EQ(got[0], 17);
    EXPECT_EQ(sound::MemorySeek(source, 2, SEEK_SET), 0);
    EXPECT_EQ(sound::MemoryRead(got, 1, 1, source), 1u);
    EXPECT_EQ(got[0], 12);
    // Past the end is a place to be, with nothing to read there.
    EXPECT_EQ(sound::MemorySeek(source, 100, SEEK_SET), 0);
    EXPECT_EQ(sound::MemoryRead(got, 1, 4, source), 0u);
    // An unknown origin leaves the position.
    EXPECT_EQ(sound::MemorySeek(source, 5, SEEK_SET), 0);
    EXPECT_EQ(sound::MemorySeek(source, 0, 7), 0);
    EXPECT_EQ(sound::MemoryTell(source), 5);
    // Before the start: the low 32 bits of the sum, where nothing is read.
    EXPECT_EQ(sound::MemorySeek(source, -6, SEEK_CUR), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(sound::MemoryTell(source)), 0xFFFFFFFFu);
    EXPECT_EQ(sound::MemoryRead(got, 1, 4, source), 0u);
    EXPECT_EQ(sound::MemorySeek(source, INT64_MIN, SEEK_END), 0);
    EXPECT_EQ(sound::MemoryTell(source), 10);
    EXPECT_EQ(sound::MemorySeek(source, 0x100000003ll, SEEK_SET), 0);
    EXPECT_EQ(sound::MemoryTell(source), 3);
    EXPECT_EQ(sound::MemoryRead(got, 1, 1, source), 1u);
    EXPECT_EQ(got[0], 13);
    EXPECT_EQ(sound::MemoryClose(source), 0);
    EXPECT_EQ(sound::MemoryTell(source), 0);
    EXPECT_EQ(image[0], 10);  // the image is the caller's and stays
}

TEST_F(OggDecoderTest, EveryOpenStartsTheSourceAfresh) {
    const Bytes& file = MonoShort();
    ASSERT_EQ(sound::OggOpenData(file.data(), static_cast<std::uint32_t>(file.size())), 1);
    sound::OggDecodeAll(nullptr, 0);
    EXPECT_EQ(sound::MemoryTell(nullptr), 0);  // closing rewound it
    const Bytes tiny = {1, 2, 3};
    EXPECT_EQ(sound::OggOpenData(tiny.data(), 3), 0);
    EXPECT_EQ(sound::MemorySeek(nullptr, 0, SEEK_END), 0);
    EXPECT_EQ(sound::MemoryTell(nullptr), 3);
}

}  // namespace
}  // namespace rodazaro_test
