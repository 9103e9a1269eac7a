// input_file_error.h: failures of reading an input file, reported with Windows system error
// codes and the import's messages for them.
//
//   code  meaning                        message
//     2   file not found                 "File not found"
//     3   path not valid                 "Invalid filename"
//     4   too many open files            "Too many open files"
//     5   access denied                  "File access denied"
//   other (32 file locked by another     "I/O error %d" with the code
//          program, 103 file not open, ...)
#pragma once

#include <string>

#include "data/user_error.h"

namespace importer {

// Windows system error codes this program raises by name.
namespace win {
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kTooManyOpenFiles = 4;
constexpr int kAccessDenied = 5;
constexpr int kSharingViolation = 32;
constexpr int kFileNotOpen = 103;
}  // namespace win

class InputFileError : public data::UserError {
public:
    explicit InputFileError(int windowsCode);
    int code() const { return code_; }

private:
    int code_;
};

// The message the import shows for a Windows system error code.
std::string inputFileMessage(int windowsCode);

// The Windows system error code of the same meaning as a Linux errno value. ENOENT maps to 2
// here; telling a missing folder (3) from a missing file needs the path, see openErrorCode.
int windowsCodeForErrno(int errnoValue);

// The code for a failed open of `path` with `errnoValue`: a missing file is 2, but 3 when its
// folder does not exist either (Linux reports both as ENOENT).
int openErrorCode(const std::string& path, int errnoValue);

}  // namespace importer
