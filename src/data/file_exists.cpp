#include "data/file_exists.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/paths.h"

namespace data {
namespace {

bool isRegularFile(const std::string& path) { return platform::isRegularFile(path); }

bool hasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// "*" matches any run of bytes, "?" exactly one; everything else matches itself. Brackets are
// ordinary characters here, unlike in shell globs.
bool wildcardMatch(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

// The names in `folder`, "." and ".." included, in byte order: the order a directory search
// reports them in, so that a pattern always finds the same first entry.
std::optional<std::vector<std::string>> sortedEntries(const std::string& folder) {
    std::optional<std::vector<std::string>> names = platform::folderEntries(folder);
    if (names) std::sort(names->begin(), names->end());
    return names;
}

bool firstMatchIsRegularFile(const std::string& folder, const std::string& pattern) {
    const auto names = sortedEntries(folder.empty() ? "." : folder);
    if (!names) return false;
    for (const std::string& name : *names) {
        if (wildcardMatch(pattern.c_str(), name.c_str()))
            return isRegularFile(folder.empty() ? name : folder + "/" + name);
    }
    return false;
}

}  // namespace

std::size_t pathChars(const std::string& path) {
    return static_cast<std::size_t>(std::count_if(path.begin(), path.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool namesExistingFile(const std::string& path) {
    if (path.empty() || pathChars(path) > kMaxPathChars) return false;
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!hasWildcard(name)) return isRegularFile(path);
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    // Keep "/" itself as the folder of "/x*"; elsewhere drop the separator.
    return firstMatchIsRegularFile(folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder,
                                   name);
}

}  // namespace data
