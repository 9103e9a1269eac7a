// file_identity.h: which file a path names, so that two path texts can be compared by the file
// they reach rather than by their spelling ("ruolo.mdb" and "/home/u/ruolo.mdb").
#pragma once

#include <optional>
#include <string>

namespace data {

struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` names now (a relative path from the current directory), or
// nullopt when it names nothing.
std::optional<FileIdentity> fileIdentityOf(const std::string& path);

}  // namespace data
