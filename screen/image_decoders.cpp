#include "screen/image_decoders.h"

#include <cstring>

#include "platform/heap.h"
#include "runtime/decoder_list.h"

namespace screen {

namespace {

runtime::DecoderList<ImageDecoder, kMaxImageDecoders> gDecoders{};
// Each thread that decodes has its own current decoder.
thread_local const ImageDecoder* gCurrent = nullptr;

}  // namespace

void InitImageDecoders() {
    gDecoders.Clear();
    gCurrent = nullptr;
}

void AddImageDecoder(const ImageDecoder* decoder) {
    // The list holds at most kMaxImageDecoders; further registrations are dropped.
    gDecoders.Add(decoder);
}

std::int32_t ImageDecoderCount() { return gDecoders.count; }

bool IsImageDecoderRegistered(const ImageDecoder* decoder) {
    return gDecoders.Find([decoder](const ImageDecoder& candidate) { return &candidate == decoder; }) != nullptr;
}

std::int32_t FindImageDecoder(const void* data, std::uint32_t size) {
    const ImageDecoder* found = gDecoders.Find(
        [data, size](const ImageDecoder& candidate) { return candidate.CheckImage(data, size) != 0; });
    if (found == nullptr) return 0;
    gCurrent = found;
    return 1;
}

std::int32_t ImageWidth() { return gCurrent == nullptr ? 0 : gCurrent->GetImageWidth(); }
std::int32_t ImageHeight() { return gCurrent == nullptr ? 0 : gCurrent->GetImageHeight(); }

std::int32_t DecodeCurrentImage(void* destination, std::int32_t rowLength, std::int32_t flags) {
    return gCurrent == nullptr ? 0 : gCurrent->DecodeImage(destination, rowLength, flags);
}

bool DecodeWithDecoders(const void* image, std::uint32_t size, SourceImage* out) {
    if (FindImageDecoder(image, size) == 0) return false;
    const std::int32_t width = ImageWidth();
    const std::int32_t height = ImageHeight();
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
        // Abandon the checked image: decoding it into a null buffer releases
        // the decoder's state.
        DecodeCurrentImage(nullptr, 0, 0);
        return false;
    }
    const std::int32_t rowLength = 3 * width + width % 4;
    void* buffer = platform::GlobalAllocFixed(static_cast<std::size_t>(rowLength) *
                                              (static_cast<std::size_t>(height) + 1));
    if (buffer == nullptr) {
        DecodeCurrentImage(nullptr, 0, 0);
        return false;
    }
    // Rows a damaged image never reaches show black, not whatever the
    // allocation held.
    std::memset(buffer, 0, static_cast<std::size_t>(rowLength) * (static_cast<std::size_t>(height) + 1));
    DecodeCurrentImage(buffer, rowLength, 0);
    *out = SourceImage{static_cast<const unsigned char*>(buffer), width, height, 24, 0, rowLength, buffer};
    return true;
}

}  // namespace screen
