// Checksums set right after a mutation.  PNG chunks and Ogg pages carry
// CRCs, and almost every mutant of a valid file fails them: the decoders
// then stop at the check and never see the damage behind it.  The custom
// mutators of the PNG, sprite and Ogg targets repair the checksums of part
// of their mutants so that the damage reaches the decoding itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz_support {

// Sets the CRC of every whole chunk after the 8-byte signature.
void SetPngChunkCrcs(std::uint8_t* data, std::size_t size);
// Sets the checksum of every whole Ogg page ("OggS" page by page, looking
// for the next capture pattern after bytes that are no page).
void SetOggPageCrcs(std::uint8_t* data, std::size_t size);

}  // namespace fuzz_support

// libFuzzer's own mutation.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace fuzz_support {

// Mutates as libFuzzer does, then has set() repair the checksums of every
// other mutant; the rest keep testing the checks themselves.
inline std::size_t MutateWithChecksums(std::uint8_t* data, std::size_t size, std::size_t maxSize, unsigned int seed,
                                       void (*set)(std::uint8_t*, std::size_t)) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (seed % 2 == 0) set(data, size);
    return size;
}

}  // namespace fuzz_support
