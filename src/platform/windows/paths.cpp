#include "platform/paths.h"

#include <windows.h>

#include <cerrno>

#include "windows/wide_text.h"

namespace platform {
namespace {

using windows::widen;

DWORD attributesOf(const std::string& path) { return GetFileAttributesW(widen(path).c_str()); }

}  // namespace

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    if (path.empty()) return std::nullopt;
    // Backup semantics let a folder be opened too; no access right is needed to ask.
    HANDLE h =
        CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL known = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!known) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
        windows::setErrnoFromLastError();
        return std::nullopt;
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

bool exists(const std::string& path) { return attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool isRegularFile(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isFolder(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::vector<std::string>> folderEntries(const std::string& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(widen(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<std::string> names;
    do {
        names.push_back(windows::narrow(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool removeFile(const std::string& path) {
    if (DeleteFileW(widen(path).c_str())) return true;
    windows::setErrnoFromLastError();
    return false;
}

// NTFS records a new name in its own journal; there is no folder handle to flush.
void syncFolder(const std::string&) {}

bool onReadOnlyVolume(const std::string& path) {
    wchar_t volume[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(widen(path).c_str(), volume, MAX_PATH)) return false;
    DWORD flags = 0;
    if (!GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return false;
    return (flags & FILE_READ_ONLY_VOLUME) != 0;
}

bool isReadOnlyFile(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Windows ignores the read-only attribute of a folder when files in it are written; a folder the
// user may not write shows up as a refused open instead.
bool isReadOnlyFolder(const std::string&) { return false; }

}  // namespace platform
