// A registration list of decoders: records of operations appended at
// start-up and tried in the order they were added.  The list has a fixed
// capacity; a registration beyond it, like a null record, is dropped.  A
// zero-initialised list is empty.
#pragma once

#include <cstdint>

namespace runtime {

template <typename Decoder, int Capacity>
struct DecoderList {
    static_assert(Capacity > 0);

    const Decoder* entries[Capacity];
    std::int32_t count;

    // Empties the list.
    void Clear() {
        for (const Decoder*& entry : entries) entry = nullptr;
        count = 0;
    }

    // Appends decoder; false when it is null or the list is full.
    bool Add(const Decoder* decoder) {
        if (decoder == nullptr || count >= Capacity) return false;
        entries[count++] = decoder;
        return true;
    }

    // The decoder at a position of the list, null outside it.
    const Decoder* At(std::int32_t index) const { return index >= 0 && index < count ? entries[index] : nullptr; }

    // The first decoder in registration order for which accepts(decoder)
    // is true; null when none is.
    template <typename Accepts>
    const Decoder* Find(Accepts accepts) const {
        for (std::int32_t i = 0; i < count; ++i) {
            if (accepts(*entries[i])) return entries[i];
        }
        return nullptr;
    }
};

}  // namespace runtime
