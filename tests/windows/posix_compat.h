// posix_compat.h: the one POSIX call the shared test helpers make that MinGW lacks, forced into
// every test file of the Windows build (tests/windows/CMakeLists.txt).
#pragma once

#include <direct.h>
#include <io.h>

#include <cstring>

// Makes a new folder from a name ending in XXXXXX, as POSIX mkdtemp does.
inline char* mkdtemp(char* pattern) {
    if (_mktemp_s(pattern, std::strlen(pattern) + 1) != 0) return nullptr;
    return _mkdir(pattern) == 0 ? pattern : nullptr;
}
