// user_error.h: an error whose text the user sees verbatim.
//
// Anything below the window raises these with the exact text to show; the window's error display
// (or the headless tool) adds only the final point, by its own rule.
#pragma once

#include <stdexcept>
#include <string>

namespace data {

struct UserError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The database engine could not write or read the file (a full disk, an I/O error); the text is
// the engine's. An import run that meets one says what the tables hold.
struct DatabaseIoError : UserError {
    using UserError::UserError;
    // As the engine said it: the failed write's changes were all put back (the file is as it was
    // before them), and the failure alone, without the engine's account of those changes.
    bool changesUndone = false;
    std::string cause;
};

}  // namespace data
