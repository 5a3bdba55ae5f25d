// Loads prepared ahead of their turn: what the decode-ahead worker read and
// decoded for the script's coming load lines (LGFX, LBMP, LSND), held until
// the line's own turn.
//
// Both sides number the load lines of the script from 1 in the order they
// come.  The main thread moves to its next load line before it runs one and
// takes a result only for that line, for the same kind of load and path, and
// only while the file is unchanged (platform::GetFileIdentity); the results
// of the lines it has passed are freed.  The worker stores its results in
// line order and waits while they would take more than the bound.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/file.h"

namespace runtime {

enum class PreparedKind : std::uint8_t { kPicture, kSound };

// A loader's decoded data; its owner frees it with the object.
struct PreparedData {
    PreparedData();
    PreparedData(const PreparedData&) = delete;
    PreparedData& operator=(const PreparedData&) = delete;
    virtual ~PreparedData();
    std::size_t bytes = 0;  // memory held, counted against the bound
};
// How many prepared results exist, wherever they are held.
std::int64_t LivePreparedData();

struct PreparedLoad {
    std::uint64_t line = 0;  // the load line's number
    PreparedKind kind = PreparedKind::kPicture;
    std::string path;  // as the loader is given it
    platform::FileIdentity identity;
    std::unique_ptr<PreparedData> data;
};

class PreparedLoads {
public:
    explicit PreparedLoads(std::size_t boundBytes) : bound_(boundBytes) {}

    // Main thread.  The next load line begins: results of earlier lines go.
    void AdvanceLoadLine();
    // The result for the current load line when it is for this kind and path
    // and the file is as it was when it was read; null otherwise (the loader
    // then reads and decodes as it would without one).
    std::unique_ptr<PreparedData> Take(PreparedKind kind, const char* path);

    // Main thread.  Hands a result the loader has used to the worker, which
    // frees it in its next wait: freeing megabytes of pixels costs a turn
    // time it does not have.
    void Discard(std::unique_ptr<PreparedData> data);
    // Worker.  Waits until the held results leave room; false when the
    // store stops or the main thread has reached line (nothing to prepare).
    bool WaitForRoom(std::uint64_t line);
    // Stores a result in line order, first waiting until it fits under the
    // bound.  A result larger than the bound, or for a line the main thread
    // has reached, is freed instead; false then or when the store stops.
    bool Put(PreparedLoad load);
    // Sleeps for at most timeout; false once the store stops.
    bool Pause(std::chrono::milliseconds timeout);
    // How many discarded results wait to be freed.
    std::size_t DiscardedCount() const;

    // Either side: wakes every wait for good; the held results are freed.
    void Stop();

    bool Stopped() const;
    std::uint64_t CurrentLine() const;
    std::size_t HeldBytes() const;
    std::size_t HeldCount() const;
    // How many results the loaders took.
    std::uint64_t TakenCount() const;
    std::size_t Bound() const { return bound_; }

private:
    // Waits on lock until ready() or the deadline (none when null), freeing
    // what the main thread discards meanwhile, outside the lock.
    template <typename Ready>
    void WaitFreeing(std::unique_lock<std::mutex>& lock, Ready ready,
                     const std::chrono::steady_clock::time_point* deadline = nullptr);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<PreparedLoad> loads_;
    std::deque<std::unique_ptr<PreparedData>> discarded_;
    std::size_t held_ = 0;
    const std::size_t bound_;
    std::uint64_t line_ = 0;
    std::uint64_t taken_ = 0;
    bool stopped_ = false;
};

// The store the loaders ask: the decode-ahead worker's while it runs, null
// otherwise.  Set and read on the main thread only.
void SetActivePreparedLoads(PreparedLoads* store);
PreparedLoads* ActivePreparedLoads();
// The loaders' seam: the active store's Take, or null without one.
std::unique_ptr<PreparedData> TakePreparedLoad(PreparedKind kind, const char* path);
// A taken result the loader is done with: to the active store's worker to
// free, or freed here without one.
void DiscardPreparedLoad(std::unique_ptr<PreparedData> data);

// What a loader makes of the result prepared for path (use's answer), the
// result then going back to the worker; nothing when there is none.
template <typename Prepared, typename Use>
std::optional<std::intptr_t> UsePreparedLoad(PreparedKind kind, const char* path, Use use) {
    std::unique_ptr<PreparedData> prepared = TakePreparedLoad(kind, path);
    if (prepared == nullptr) return std::nullopt;
    const std::intptr_t result = use(static_cast<const Prepared&>(*prepared));
    DiscardPreparedLoad(std::move(prepared));
    return result;
}

}  // namespace runtime
