// paths.h: questions about a path rather than an open file. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Which file a path reaches: the volume and the file's number on it (st_dev and st_ino on POSIX;
// the volume serial number and file index on Windows, where st_ino is always 0).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(const std::string& path);

// The length of the file at `path`, or nullopt with errno set (ENOENT when there is none).
std::optional<std::uint64_t> fileSize(const std::string& path);
bool exists(const std::string& path);
bool isRegularFile(const std::string& path);
bool isFolder(const std::string& path);
// The names in `folder`, "." and ".." included, in the order the system lists them; nullopt
// when it cannot be listed.
std::optional<std::vector<std::string>> folderEntries(const std::string& folder);
// Removes the file; false with errno set when it could not.
bool removeFile(const std::string& path);
// Makes the names in `folder` survive a power cut, where the system needs asking.
void syncFolder(const std::string& folder);

// Why a database could only be read: its volume is mounted read-only, the file is marked
// read-only or this user may not write it, its folder may not be written.
bool onReadOnlyVolume(const std::string& path);
bool isReadOnlyFile(const std::string& path);
bool isReadOnlyFolder(const std::string& folder);

// A UTF-8 path text as a std::filesystem path and back. Constructing a path from a plain
// std::string reads it in the ANSI code page on Windows; these never do.
std::filesystem::path fromUtf8(const std::string& path);
std::string toUtf8(const std::filesystem::path& path);

}  // namespace platform
