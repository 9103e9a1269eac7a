#include "import/concurrent_check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "import/text_file_reader.h"

namespace importer {
namespace {

// Thrown through checkInputFilePart to end a check nobody waits for any more.
struct Stopped {};

// The file's size, or 0 when it cannot be opened: then it is checked whole, and the check says
// why it cannot be read, in its turn.
std::int64_t sizeOrZero(const std::string& path) {
    try {
        TextFileReader reader;
        reader.bind(path);
        reader.open();
        return reader.size();
    } catch (...) {
        return 0;
    }
}

// How many parts a file of `size` bytes is checked in: none smaller than `minPartBytes`.
int partsFor(std::int64_t size, int parts, std::int64_t minPartBytes) {
    const std::int64_t fit = size / std::max<std::int64_t>(minPartBytes, 1);
    return static_cast<int>(std::clamp<std::int64_t>(fit, 1, std::max(parts, 1)));
}

}  // namespace

struct ConcurrentCheck::Part {
    std::atomic<std::int64_t> lines{0};
    std::atomic<std::int64_t> bytes{0};
    std::atomic<std::int64_t> size{0};
    std::future<bool> ended;  // whether the file ends within this part
};

struct ConcurrentCheck::State {
    State(std::string p, const ColumnLayout& l, data::TDM& d)
        : path(std::move(p)), layout(l), dm(d) {}

    std::string path;
    const ColumnLayout& layout;
    data::TDM& dm;
    std::atomic<bool> stop{false};
    std::vector<std::unique_ptr<Part>> parts;
    std::int64_t firstPartEnd = 0;  // when finish() checks the first part: where it ends

    // Checks the part of the file from `from` to `to`, noting its progress in `p`.
    bool checkPart(Part& p, std::int64_t from, std::int64_t to, const std::function<void()>& each) {
        try {
            return checkInputFilePart(
                path, layout, dm, from, to,
                [this, &p, &each](std::int64_t lines, std::int64_t bytes, std::int64_t size) {
                    if (stop.load(std::memory_order_relaxed)) throw Stopped{};
                    p.size.store(size, std::memory_order_relaxed);
                    p.bytes.store(bytes, std::memory_order_relaxed);
                    p.lines.store(lines, std::memory_order_release);
                    if (each) each();
                });
        } catch (...) {
            stop = true;  // the file has an error: the other parts need not go on
            throw;
        }
    }

    void stopAndWait() {
        stop = true;
        for (auto& part : parts)
            if (part->ended.valid()) part->ended.wait();
    }
};

ConcurrentCheck::ConcurrentCheck(std::string path, const ColumnLayout& layout, data::TDM& dm,
                                 int parts, std::int64_t minPartBytes, FirstPart first)
    : state_(std::make_unique<State>(std::move(path), layout, dm)) {
    State& s = *state_;
    const std::int64_t length = sizeOrZero(s.path);
    const int count = partsFor(length, parts, minPartBytes);
    for (int i = 0; i < count; ++i) {
        s.parts.push_back(std::make_unique<Part>());
        Part& p = *s.parts.back();
        const std::int64_t from = length * i / count;
        const std::int64_t to =
            i + 1 == count ? std::numeric_limits<std::int64_t>::max() : length * (i + 1) / count;
        if (i == 0 && first == FirstPart::InFinish) {
            s.firstPartEnd = to;
            continue;
        }
        p.ended = std::async(std::launch::async,
                             [&s, &p, from, to] { return s.checkPart(p, from, to, {}); });
    }
}

ConcurrentCheck::~ConcurrentCheck() { state_->stopAndWait(); }

void ConcurrentCheck::finish(const LineProgress& progress) {
    State& s = *state_;
    std::int64_t reported = 0;
    const auto report = [&] {
        std::int64_t lines = 0, bytes = 0, size = 0;
        for (const auto& part : s.parts) {
            lines += part->lines.load(std::memory_order_acquire);
            bytes += part->bytes.load(std::memory_order_relaxed);
            size = std::max(size, part->size.load(std::memory_order_relaxed));
        }
        if (lines == reported || !progress) return;
        reported = lines;
        progress(lines, bytes, size);
    };
    if (Part& first = *s.parts.front(); !first.ended.valid()) {
        // An error of the progress report is the caller's own, not the file's: it goes through.
        std::exception_ptr reportFailed;
        const auto reportHere = [&] {
            try {
                report();
            } catch (...) {
                reportFailed = std::current_exception();
                throw Stopped{};
            }
        };
        std::promise<bool> ended;
        first.ended = ended.get_future();
        try {
            ended.set_value(s.checkPart(first, 0, s.firstPartEnd, reportHere));
        } catch (...) {
            ended.set_exception(std::current_exception());
        }
        if (reportFailed) std::rethrow_exception(reportFailed);
    }
    for (auto& part : s.parts)
        while (part->ended.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready)
            report();
    report();
    if (s.parts.size() == 1) {
        s.parts.front()->ended.get();  // the check's error, if any
        return;
    }
    for (auto& part : s.parts) {
        try {
            if (part->ended.get()) return;  // the file ends here: later parts are past its end
        } catch (...) {
            // Which error comes first, and the line it names, only a check from the top tells.
            checkInputFile(s.path, s.layout, s.dm);
            return;
        }
    }
}

}  // namespace importer
