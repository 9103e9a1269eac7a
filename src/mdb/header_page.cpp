#include "mdb/header_page.h"

#include <array>
#include <bit>
#include <cstring>

#include "mdb/byte_order.h"
#include "mdb/error.h"
#include "mdb/rc4.h"

namespace mdb {
namespace {

constexpr std::size_t kNameOffset = 0x04;
constexpr std::size_t kVersionOffset = 0x14;
constexpr char kJetName[] = "Standard Jet DB";
constexpr char kAceName[] = "Standard ACE DB";

constexpr std::size_t kMaskedOffset = 0x18;
constexpr std::size_t kMaskedSize = 128;
constexpr std::array<std::uint8_t, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};

constexpr std::size_t kCodePageOffset = 0x3C;
constexpr std::size_t kDatabaseKeyOffset = 0x3E;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kPasswordSize = 40;
constexpr std::size_t kSortOrderOffset = 0x6E;
constexpr std::size_t kSortVersionOffset = 0x71;
constexpr std::size_t kCreationDateOffset = 0x72;

bool hasName(std::span<const std::uint8_t> page, const char* name, std::size_t length) {
    return fitsIn(page.size(), kNameOffset, length) &&
           std::memcmp(page.data() + kNameOffset, name, length) == 0;
}

}  // namespace

void checkJet4Format(std::span<const std::uint8_t> page0, const std::string& path) {
    const bool complete = page0.size() > kVersionOffset;
    if (complete && hasName(page0, kAceName, sizeof kAceName - 1))
        throw Error(
            Error::Kind::Unsupported,
            "'" + path + "' is an Access 2007 or later (ACE) database, not a Jet 4 database");
    if (!complete || !hasName(page0, kJetName, sizeof kJetName - 1))
        throw Error(Error::Kind::Corrupt, "Unrecognized database format '" + path + "'");
    const std::uint8_t version = page0[kVersionOffset];
    if (version == 0)
        throw Error(Error::Kind::Unsupported,
                    "'" + path + "' is an Access 97 (Jet 3) database, which is not supported");
    if (version != 1)
        throw Error(
            Error::Kind::Unsupported,
            "'" + path + "' is an Access 2007 or later (ACE) database, not a Jet 4 database");
}

DatabaseHeader readDatabaseHeader(std::span<const std::uint8_t, kPageSize> page0) {
    PageBytes plain;
    std::copy(page0.begin(), page0.end(), plain.begin());
    rc4Apply(kHeaderKey, std::span(plain).subspan(kMaskedOffset, kMaskedSize));
    const ByteView p(plain);

    DatabaseHeader h;
    h.codePage = get16le(p, kCodePageOffset);
    h.databaseKey = get32le(p, kDatabaseKeyOffset);
    h.sortOrder = get16le(p, kSortOrderOffset);
    h.sortVersion = get8(p, kSortVersionOffset);
    h.creationDate = std::bit_cast<double>(get64le(p, kCreationDateOffset));

    // The password bytes are XORed with the creation date's integer part; a damaged date must
    // not make the conversion undefined, so it is clamped first.
    double whole = h.creationDate;
    if (!(whole > -2147483648.0 && whole < 2147483647.0)) whole = 0;
    const auto dateMask = static_cast<std::uint32_t>(static_cast<std::int32_t>(whole));
    for (std::size_t i = 0; i < kPasswordSize; ++i) {
        const auto maskByte = static_cast<std::uint8_t>(dateMask >> (8 * (i % 4)));
        if ((p[kPasswordOffset + i] ^ maskByte) != 0) h.hasPassword = true;
    }
    return h;
}

std::string sortOrderName(std::uint16_t locale, std::uint8_t version) {
    std::string name = locale == 1033 ? "General" : "locale " + std::to_string(locale);
    if (version == 0 && locale == 1033) return name + " (legacy)";
    if (version != 0) name += " version " + std::to_string(version);
    return name;
}

}  // namespace mdb
