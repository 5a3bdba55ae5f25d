#include "runtime/prepared_loads.h"

#include <atomic>
#include <utility>

namespace runtime {

namespace {

PreparedLoads* gActive = nullptr;
std::atomic<std::int64_t> gLive{0};

}  // namespace

PreparedData::PreparedData() { gLive.fetch_add(1, std::memory_order_relaxed); }
PreparedData::~PreparedData() { gLive.fetch_sub(1, std::memory_order_relaxed); }
std::int64_t LivePreparedData() { return gLive.load(std::memory_order_relaxed); }

template <typename Ready>
void PreparedLoads::WaitFreeing(std::unique_lock<std::mutex>& lock, Ready ready,
                                const std::chrono::steady_clock::time_point* deadline) {
    const auto woken = [&] { return ready() || !discarded_.empty(); };
    for (;;) {
        if (deadline == nullptr) {
            changed_.wait(lock, woken);
        } else {
            changed_.wait_until(lock, *deadline, woken);
        }
        if (discarded_.empty()) return;
        std::deque<std::unique_ptr<PreparedData>> freeing;
        freeing.swap(discarded_);
        lock.unlock();
        freeing.clear();
        lock.lock();
    }
}

void PreparedLoads::AdvanceLoadLine() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++line_;
        while (!loads_.empty() && loads_.front().line < line_) {
            held_ -= loads_.front().data->bytes;
            discarded_.push_back(std::move(loads_.front().data));
            loads_.pop_front();
        }
    }
    changed_.notify_all();
}

std::unique_ptr<PreparedData> PreparedLoads::Take(PreparedKind kind, const char* path) {
    if (path == nullptr) return nullptr;
    PreparedLoad load;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (loads_.empty() || loads_.front().line != line_) return nullptr;
        if (loads_.front().kind != kind || loads_.front().path != path) return nullptr;
        load = std::move(loads_.front());
        loads_.pop_front();
        held_ -= load.data->bytes;
    }
    changed_.notify_all();
    platform::FileIdentity now;
    if (!platform::GetFileIdentity(path, &now) || !(now == load.identity)) {
        Discard(std::move(load.data));
        return nullptr;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    ++taken_;
    return std::move(load.data);
}

void PreparedLoads::Discard(std::unique_ptr<PreparedData> data) {
    if (data == nullptr) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        // Once stopped nobody frees for the main thread: data goes here.
        if (stopped_) return;
        discarded_.push_back(std::move(data));
    }
    changed_.notify_all();
}

bool PreparedLoads::WaitForRoom(std::uint64_t line) {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitFreeing(lock, [&] { return stopped_ || line <= line_ || held_ < bound_; });
    return !stopped_ && line > line_;
}

bool PreparedLoads::Put(PreparedLoad load) {
    if (load.data == nullptr) return false;
    const std::size_t bytes = load.data->bytes;
    if (bytes > bound_) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    WaitFreeing(lock, [&] { return stopped_ || load.line <= line_ || held_ + bytes <= bound_; });
    if (stopped_ || load.line <= line_) {
        lock.unlock();
        return false;  // load frees its data on return
    }
    held_ += bytes;
    loads_.push_back(std::move(load));
    return true;
}

bool PreparedLoads::Pause(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    WaitFreeing(
        lock, [&] { return stopped_; }, &deadline);
    return !stopped_;
}

void PreparedLoads::Stop() {
    std::deque<PreparedLoad> held;
    std::deque<std::unique_ptr<PreparedData>> discarded;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        held.swap(loads_);
        discarded.swap(discarded_);
        held_ = 0;
    }
    changed_.notify_all();
}

bool PreparedLoads::Stopped() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
}

std::uint64_t PreparedLoads::CurrentLine() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return line_;
}

std::size_t PreparedLoads::HeldBytes() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return held_;
}

std::size_t PreparedLoads::DiscardedCount() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return discarded_.size();
}

std::size_t PreparedLoads::HeldCount() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return loads_.size();
}

std::uint64_t PreparedLoads::TakenCount() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return taken_;
}

void SetActivePreparedLoads(PreparedLoads* store) { gActive = store; }
PreparedLoads* ActivePreparedLoads() { return gActive; }

std::unique_ptr<PreparedData> TakePreparedLoad(PreparedKind kind, const char* path) {
    return gActive == nullptr ? nullptr : gActive->Take(kind, path);
}

void DiscardPreparedLoad(std::unique_ptr<PreparedData> data) {
    if (gActive != nullptr) gActive->Discard(std::move(data));
}

}  // namespace runtime
