#include "import/input_file_error.h"

#include "platform/error_codes.h"
#include "platform/paths.h"

namespace importer {

InputFileError::InputFileError(int windowsCode)
    : data::UserError(inputFileMessage(windowsCode)), code_(windowsCode) {}

std::string inputFileMessage(int windowsCode) {
    switch (windowsCode) {
        case win::kFileNotFound:
            return "File not found";
        case win::kPathNotFound:
            return "Invalid filename";
        case win::kTooManyOpenFiles:
            return "Too many open files";
        case win::kAccessDenied:
            return "File access denied";
        default:
            return "I/O error " + std::to_string(windowsCode);
    }
}

int windowsCodeForErrno(int errnoValue) {
    // Windows codes by name (winerror.h) for the errno values a file open, stat or read can give.
    switch (errnoValue) {
        case ENOENT:
            return win::kFileNotFound;
        case ENOTDIR:
            return win::kPathNotFound;
        case EMFILE:
        case ENFILE:
            return win::kTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EISDIR:
            return win::kAccessDenied;
        case EBADF:
            return 6;  // ERROR_INVALID_HANDLE
        case ENOMEM:
            return 8;  // ERROR_NOT_ENOUGH_MEMORY
        case ENODEV:
        case ENXIO:
        case ENOMEDIUM:
            return 21;  // ERROR_NOT_READY
        case EROFS:
            return 19;  // ERROR_WRITE_PROTECT
        case ETXTBSY:
            return win::kSharingViolation;
        case EAGAIN:
        case ENOLCK:
            return 33;  // ERROR_LOCK_VIOLATION
        case EXDEV:
            return 17;  // ERROR_NOT_SAME_DEVICE
        case EEXIST:
            return 80;  // ERROR_FILE_EXISTS
        case EINVAL:
            return 87;  // ERROR_INVALID_PARAMETER
        case ENOSPC:
            return 112;  // ERROR_DISK_FULL
        case ESPIPE:
            return 132;  // ERROR_SEEK_ON_DEVICE
        case EBUSY:
            return 170;  // ERROR_BUSY
        case ENAMETOOLONG:
            return 206;  // ERROR_FILENAME_EXCED_RANGE
        case EFBIG:
        case EOVERFLOW:
            return 223;  // ERROR_FILE_TOO_LARGE
        case ENOSYS:
        case EOPNOTSUPP:
            return 50;  // ERROR_NOT_SUPPORTED
        case ENETDOWN:
        case ENETUNREACH:
        case ENOTCONN:
        case EHOSTUNREACH:
            return 59;  // ERROR_UNEXP_NET_ERR
        case ECONNRESET:
        case ESTALE:
            return 64;  // ERROR_NETNAME_DELETED
        case EIO:
            return 1117;  // ERROR_IO_DEVICE
        case EMLINK:
            return 1142;  // ERROR_TOO_MANY_LINKS
        case EDQUOT:
            return 1295;  // ERROR_DISK_QUOTA_EXCEEDED
        case ETIMEDOUT:
            return 1460;  // ERROR_TIMEOUT
        case ELOOP:
            return 1921;  // ERROR_CANT_RESOLVE_FILENAME
        default:
            return 31;  // ERROR_GEN_FAILURE: a device failure with no closer Windows meaning
    }
}

int openErrorCode(const std::string& path, int errnoValue) {
    if (errnoValue != ENOENT) return windowsCodeForErrno(errnoValue);
    if (path.empty()) return win::kPathNotFound;
    // The folder is what the path holds up to its last "/" (the current folder when none).
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return win::kFileNotFound;
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    if (platform::isFolder(folder)) return win::kFileNotFound;
    return win::kPathNotFound;
}

}  // namespace importer
