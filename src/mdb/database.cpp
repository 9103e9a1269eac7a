#include "mdb/database.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>

#include "mdb/error.h"

namespace mdb {
namespace {

// Page 0 starts with 00 01 00 00, the engine's name at offset 4 and the format version at 0x14.
constexpr std::size_t kVersionOffset = 0x14;
constexpr char kJetName[] = "Standard Jet DB";
constexpr char kAceName[] = "Standard ACE DB";

void checkHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(Error::Kind::Io, "Could not open file '" + path + "'");
    std::array<char, 0x18> head{};
    in.read(head.data(), head.size());
    const bool complete = in.gcount() == static_cast<std::streamsize>(head.size());
    const auto version = static_cast<std::uint8_t>(head[kVersionOffset]);
    if (complete && std::memcmp(head.data() + 4, kAceName, sizeof kAceName - 1) == 0)
        throw Error(
            Error::Kind::Unsupported,
            "'" + path + "' is an Access 2007 or later (ACE) database, not a Jet 4 database");
    if (!complete || std::memcmp(head.data() + 4, kJetName, sizeof kJetName - 1) != 0)
        throw Error(Error::Kind::Corrupt, "Unrecognized database format '" + path + "'");
    if (version == 0)
        throw Error(Error::Kind::Unsupported,
                    "'" + path + "' is an Access 97 (Jet 3) database, which is not supported");
    if (version != 1)
        throw Error(
            Error::Kind::Unsupported,
            "'" + path + "' is an Access 2007 or later (ACE) database, not a Jet 4 database");
}

}  // namespace

Database::Database(std::string path, OpenMode mode) : path_(std::move(path)), mode_(mode) {}
Database::~Database() = default;

std::unique_ptr<Database> Database::open(const std::string& path, OpenMode mode) {
    checkHeader(path);
    return std::unique_ptr<Database>(new Database(path, mode));
}

}  // namespace mdb
