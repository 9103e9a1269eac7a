#include "data/file_identity.h"

#include "platform/paths.h"

namespace data {

std::optional<FileIdentity> fileIdentityOf(const std::string& path) {
    const std::optional<platform::FileIdentity> identity = platform::fileIdentity(path);
    if (!identity) return std::nullopt;
    return FileIdentity{identity->volume, identity->file};
}

}  // namespace data
