// fixture_paths.h: where the shared .mdb fixtures are, for tests that read them.
#pragma once

#include <filesystem>

namespace fixtures {

inline std::filesystem::path mdbDir() {
    return std::filesystem::path(BRELVANO_SHARED_DIR) / "fixtures" / "mdb";
}
inline std::filesystem::path mdb(const char* name) { return mdbDir() / name; }
inline bool present() { return std::filesystem::is_directory(mdbDir()); }

}  // namespace fixtures

#define REQUIRE_MDB_FIXTURES() \
    if (!fixtures::present()) GTEST_SKIP() << "no fixtures at " << fixtures::mdbDir()
