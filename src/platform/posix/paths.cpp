#include "platform/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <memory>

namespace platform {
namespace {

bool noWriteBit(const struct stat& st) { return (st.st_mode & 0222) == 0; }

bool notWritable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (noWriteBit(st) || ::access(path.c_str(), W_OK) != 0);
}

}  // namespace

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino)};
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::vector<std::string>> folderEntries(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get())) names.emplace_back(entry->d_name);
    return names;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

void syncFolder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;  // a folder we cannot open we cannot sync
    ::fsync(dir);
    ::close(dir);
}

bool onReadOnlyVolume(const std::string& path) {
    struct statvfs fs {};
    return ::statvfs(path.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

bool isReadOnlyFile(const std::string& path) { return notWritable(path); }

bool isReadOnlyFolder(const std::string& folder) { return notWritable(folder); }

}  // namespace platform
