// fixture_copy.h: Access-made fixtures opened as copies in memory, for tests that write.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "file/page_file.h"
#include "file/pager.h"
#include "mdb/database.h"

namespace testing_mdb {

inline std::filesystem::path fixturePath(const std::string& name) {
    return std::filesystem::path(BRELVANO_SHARED_DIR) / "fixtures" / "mdb" / name;
}

inline bool haveFixtures() { return std::filesystem::is_directory(fixturePath("")); }

inline std::vector<std::uint8_t> fixtureBytes(const std::string& name) {
    std::ifstream in(fixturePath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A writable database in memory and its file (whose bytes are what commits wrote).
struct MemoryDatabase {
    std::unique_ptr<mdb::Database> db;
    mdb::MemoryPageFile* file = nullptr;
    mdb::Pager& pager() { return db->pager(); }
};

inline MemoryDatabase openBytes(std::vector<std::uint8_t> bytes, const std::string& name) {
    auto file = std::make_unique<mdb::MemoryPageFile>(std::move(bytes), name);
    MemoryDatabase m;
    m.file = file.get();
    m.db = mdb::Database::open(std::move(file), mdb::OpenMode::ReadWrite);
    return m;
}

// The fixture, writable, in memory: the file on disk is never touched.
inline MemoryDatabase openCopy(const std::string& name) {
    return openBytes(fixtureBytes(name), name);
}

// What the database holds after its commits, opened afresh.
inline MemoryDatabase reopen(const MemoryDatabase& m) {
    return openBytes(m.file->bytes(), "reopened");
}

}  // namespace testing_mdb

#define REQUIRE_FIXTURES() \
    if (!testing_mdb::haveFixtures()) GTEST_SKIP() << "no fixtures"
