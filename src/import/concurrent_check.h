// concurrent_check.h: checking an input file on a second thread while the run checks the other.
//
// Both input files are read in full before anything is deleted; reading them one after the
// other costs the user the sum of the two. The detail file is therefore checked on a second
// thread while the run checks the header file, and the outcome is the same as checking them in
// turn: the header file's error, when it has one, is the one reported, and the detail file's
// otherwise. Progress reaches the host on the run's own thread.
#pragma once

#include <memory>
#include <string>

#include "data/dataModule.h"
#include "import/column_layout.h"
#include "import/input_check.h"

namespace importer {

class ConcurrentCheck {
public:
    // Starts checkInputFile(path, layout, dm) on a second thread.
    ConcurrentCheck(std::string path, const ColumnLayout& layout, data::TDM& dm);
    // Stops an unfinished check at its next line and waits for it.
    ~ConcurrentCheck();
    ConcurrentCheck(const ConcurrentCheck&) = delete;
    ConcurrentCheck& operator=(const ConcurrentCheck&) = delete;

    // Waits for the check to end, passing its progress to `progress` on this thread every few
    // hundredths of a second, then throws the check's error if it found one.
    void finish(const LineProgress& progress);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace importer
