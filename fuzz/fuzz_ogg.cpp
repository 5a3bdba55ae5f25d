// Fuzz target: the Ogg Vorbis decoder (sound/ogg_decoder.cpp) over its
// memory source, as the sound loader drives it.
//
// The input is the file image; half of the mutants get their page
// checksums set (checksums.h).  A stream that opens is decoded at once and
// reports its channels, rate and the frames that really decoded; its samples
// are then copied into a block of exactly the size the loader would give
// them, but never more than kMostBytes, which keeps the target's memory
// small.  The decoder must stay inside the block it is given and close the
// stream.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "checksums.h"
#include "fuzz_support.h"
#include "sound/ogg_decoder.h"

namespace {

constexpr std::uint64_t kMostBytes = 4u << 20;

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    return fuzz_support::MutateWithChecksums(data, size, maxSize, seed, fuzz_support::SetOggPageCrcs);
}

// libFuzzer hands over a heap block of exactly the input's size, so a read
// past the image's end is caught.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    if (sound::OggOpenData(data, static_cast<std::uint32_t>(size)) == 0) return 0;
    const std::int32_t channels = sound::OggGetChannels();
    const std::int32_t frames = sound::OggGetSampleCount();
    if (channels <= 0 || channels > sound::kMaxDecodedChannels || frames < 0) {
        // The loader refuses such a stream and only closes it.
        sound::OggDecodeAll(nullptr, 0);
        return 0;
    }
    const std::uint64_t claimed = static_cast<std::uint64_t>(frames) * static_cast<std::uint64_t>(channels) * 2;
    const auto bytes = static_cast<std::uint32_t>(std::min(claimed, kMostBytes));
    // Exactly bytes long: a write past its end is caught.
    std::unique_ptr<std::uint8_t[]> pcm(new std::uint8_t[bytes == 0 ? 1 : bytes]);
    sound::OggDecodeAll(pcm.get(), bytes);
    fuzz_support::Touch(pcm.get(), bytes);
    // The stream is closed: a second decode writes silence only.
    if (bytes > 0) {
        pcm[0] = 0x5A;
        sound::OggDecodeAll(pcm.get(), 1);
        fuzz_support::Require(pcm[0] == 0, "the decoder wrote samples after closing its stream");
    }
    return 0;
}
