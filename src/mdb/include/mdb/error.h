// error.h: the engine's one exception type.
//
// Messages read like a database provider's, in English, name the file, table or page concerned,
// and carry no trailing blank or point (the program's error display adds the final point itself).
#pragma once

#include <stdexcept>
#include <string>

namespace mdb {

struct Error : std::runtime_error {
    enum class Kind {
        Io,           // the operating system refused a read, a write or a lock
        Corrupt,      // the file's bytes contradict the format
        Unsupported,  // a valid file or feature this engine does not handle
        NotFound,     // a table, column or index that is not there
        Refused,      // an open or a write the database or its rules do not allow
        Locked,       // another program holds the database
    };
    Error(Kind k, const std::string& what) : std::runtime_error(what), kind(k) {}
    Kind kind;
    // Set by a failed write whose changes were all put back, or never written: the file is as it
    // was before them. `cause` is then the failure alone, without the account of the changes
    // that the message adds to it.
    bool changesUndone = false;
    std::string cause;
};

}  // namespace mdb
