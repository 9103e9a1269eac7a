// concurrent_check.h: checking an input file on other threads while the run does other work.
//
// Both input files are read in full before anything is deleted; reading them one after the
// other costs the user the sum of the two. Each is therefore checked in parts on other threads,
// the run itself taking the header file's first part, and the outcome is the same as checking
// them in turn: the header file's error, when it has one, is the one reported, and the detail
// file's otherwise. A large file is checked in parts at once, each on its own thread; when a part
// finds an error, the file is checked again from its first line, so that the error reported is
// the first in line order, worded as always. Progress reaches the host on the run's own thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "data/dataModule.h"
#include "import/column_layout.h"
#include "import/input_check.h"

namespace importer {

class ConcurrentCheck {
public:
    // A part is at least this large: below it, a thread of its own costs more than it saves.
    static constexpr std::int64_t kMinPartBytes = 1 << 20;

    // Where the first part is checked: on a thread of its own like the others, or by finish()
    // on the caller's thread, which then reports progress after every line of it.
    enum class FirstPart { OnItsThread, InFinish };

    // Starts checking `path` on other threads, in up to `parts` parts of about equal size
    // (smaller ones: fewer).
    ConcurrentCheck(std::string path, const ColumnLayout& layout, data::TDM& dm, int parts = 1,
                    std::int64_t minPartBytes = kMinPartBytes,
                    FirstPart first = FirstPart::OnItsThread);
    // Stops an unfinished check at its next line and waits for it.
    ~ConcurrentCheck();
    ConcurrentCheck(const ConcurrentCheck&) = delete;
    ConcurrentCheck& operator=(const ConcurrentCheck&) = delete;

    // Checks the first part if it was left to it, then waits for the check to end, passing its
    // progress to `progress` on this thread every few hundredths of a second, then throws the
    // check's error if it found one.
    void finish(const LineProgress& progress);

private:
    struct Part;
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace importer
