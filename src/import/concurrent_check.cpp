#include "import/concurrent_check.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <future>

namespace importer {
namespace {

// Thrown through checkInputFile to end a check nobody waits for any more.
struct Stopped {};

}  // namespace

struct ConcurrentCheck::State {
    std::atomic<bool> stop{false};
    std::atomic<std::int64_t> lines{0};
    std::atomic<std::int64_t> bytes{0};
    std::atomic<std::int64_t> size{0};
    std::future<void> done;
};

ConcurrentCheck::ConcurrentCheck(std::string path, const ColumnLayout& layout, data::TDM& dm)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.done = std::async(std::launch::async, [&s, &layout, &dm, path = std::move(path)] {
        try {
            checkInputFile(path, layout, dm,
                           [&s](std::int64_t lines, std::int64_t bytes, std::int64_t size) {
                               if (s.stop.load(std::memory_order_relaxed)) throw Stopped{};
                               s.size.store(size, std::memory_order_relaxed);
                               s.bytes.store(bytes, std::memory_order_relaxed);
                               s.lines.store(lines, std::memory_order_release);
                           });
        } catch (const Stopped&) {
        }
    });
}

ConcurrentCheck::~ConcurrentCheck() {
    if (!state_->done.valid()) return;
    state_->stop = true;
    state_->done.wait();
}

void ConcurrentCheck::finish(const LineProgress& progress) {
    State& s = *state_;
    std::int64_t reported = 0;
    const auto report = [&] {
        const std::int64_t lines = s.lines.load(std::memory_order_acquire);
        if (lines == reported || !progress) return;
        reported = lines;
        progress(lines, s.bytes.load(std::memory_order_relaxed),
                 s.size.load(std::memory_order_relaxed));
    };
    while (s.done.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready) report();
    report();
    s.done.get();  // the check's error, if any
}

}  // namespace importer
