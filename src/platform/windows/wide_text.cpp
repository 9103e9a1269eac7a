#include "windows/wide_text.h"

#include <windows.h>

#include <cerrno>

#include "platform/error_codes.h"

namespace platform::windows {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string narrow(const wchar_t* utf16, int length) {
    if (length < 0) length = static_cast<int>(wcslen(utf16));
    if (length == 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, utf16, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16, length, text.data(), size, nullptr, nullptr);
    return text;
}

// The errno value whose message (and whose Windows code, where the import translates back)
// says the same as the Win32 error.
int errnoFor(unsigned long code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_INVALID_DRIVE:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_SHARING_VIOLATION:
            return ETXTBSY;
        case ERROR_LOCK_VIOLATION:
            return EAGAIN;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_NOT_READY:
            return ENODEV;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_NOT_SUPPORTED:
            return EOPNOTSUPP;
        case 1295:  // ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack
            return EDQUOT;
        default:
            return EIO;
    }
}

int setErrnoFromLastError() {
    errno = errnoFor(GetLastError());
    return errno;
}

}  // namespace platform::windows
