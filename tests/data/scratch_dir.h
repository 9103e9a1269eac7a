// scratch_dir.h: a fresh temporary folder per test, removed afterwards, and the fixtures' path.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brelvano-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    // Writes `content` to `name` inside the folder and returns the full path.
    std::string write(const std::string& name, const std::string& content = "x") const {
        const std::string full = *this / name;
        std::ofstream(full, std::ios::binary) << content;
        return full;
    }

private:
    std::filesystem::path path_;
};

// Changes the current directory for the scope, and back.
class CurrentDir {
public:
    explicit CurrentDir(const std::filesystem::path& dir)
        : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~CurrentDir() { std::filesystem::current_path(saved_); }
    CurrentDir(const CurrentDir&) = delete;
    CurrentDir& operator=(const CurrentDir&) = delete;

private:
    std::filesystem::path saved_;
};

inline std::filesystem::path fixture(const char* name) {
    return std::filesystem::path(BRELVANO_SHARED_DIR) / "fixtures" / "mdb" / name;
}

}  // namespace testing_support

// The fixtures are read only: tests that open a database read-write work on a copy.
#define REQUIRE_FIXTURES()                                            \
    if (!std::filesystem::is_directory(testing_support::fixture(""))) \
    GTEST_SKIP() << "no fixtures at " << testing_support::fixture("")
