#include "data/file_identity.h"

#include <sys/stat.h>

namespace data {

std::optional<FileIdentity> fileIdentityOf(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{static_cast<unsigned long long>(status.st_dev),
                        static_cast<unsigned long long>(status.st_ino)};
}

}  // namespace data
