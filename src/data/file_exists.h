// file_exists.h: whether a path text typed in the window names an existing file.
#pragma once

#include <cstddef>
#include <string>

namespace data {

// The longest path text, in characters, that can name a file: the import's file reader holds no
// longer path, so a longer text names no file at all.
inline constexpr std::size_t kMaxPathChars = 259;

// True when `path` (the file system's own bytes, UTF-8 here) is an existing regular file: not a
// folder, not empty, at most kMaxPathChars characters. A relative path is taken from the process's
// current directory. "*" and "?" in the last part of the path match as a directory search does:
// the first matching entry in name order decides, "." and ".." included (so "dir/*" names no
// file, the folder "." coming first). The file is not opened, so a locked or unreadable file
// passes; so does a file with any time stamp, 1970 or 2200 alike.
bool namesExistingFile(const std::string& path);

// Number of characters in a UTF-8 text (bytes that do not continue a character).
std::size_t pathChars(const std::string& path);

}  // namespace data
