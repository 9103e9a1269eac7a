#include "format/header_page.h"

#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "file/rc4.h"
#include "format/byte_order.h"
#include "mdb/error.h"

namespace mdb {
namespace {

constexpr std::size_t kNameOffset = 0x04;
constexpr std::size_t kVersionOffset = 0x14;
constexpr char kJetName[] = "Standard Jet DB";
constexpr char kAceName[] = "Standard ACE DB";

constexpr std::size_t kMaskedOffset = 0x18;
constexpr std::size_t kMaskedSize = 128;  // Jet 4; the format says how many are masked
constexpr std::array<std::uint8_t, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};

constexpr std::size_t kCodePageOffset = 0x3C;
constexpr std::size_t kDatabaseKeyOffset = 0x3E;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kPasswordSize = 40;
constexpr std::size_t kSortOrderOffset = 0x6E;
constexpr std::size_t kSortVersionOffset = 0x71;
constexpr std::size_t kCreationDateOffset = 0x72;

// Fields of unknown meaning, the same in every Jet 4 fixture unless noted (values as
// adox_jet4.mdb, which the database engine made without Access, holds them):
//   0x18  six dwords 0x100, 0x101, 2, 3, 4, 5, inside the masked region;
//   0x6A  a dword that differs with the program that made the file (adox_jet4.mdb 9756, empty.mdb
//         8618, files from Access 2002 and later 4518), perhaps the engine's build;
//   0x98  after the masked region, the dword 1620 and "4.0";
//   0xE00 the last 512 bytes: 01 01, then 00 01 repeated (a used file may vary the first words).
constexpr std::size_t kUnknownDwordsOffset = 0x18;
constexpr std::array<std::uint32_t, 6> kUnknownDwords{0x100, 0x101, 2, 3, 4, 5};
constexpr std::size_t kEngineBuildOffset = 0x6A;
constexpr std::uint32_t kEngineBuild = 9756;
constexpr std::size_t kVersionTextOffset = 0x98;
constexpr std::uint32_t kVersionNumber = 1620;
constexpr char kVersionText[] = "4.0";
constexpr std::size_t kTailOffset = 0xE00;

// The 4 little-endian bytes the password is XORed with: the creation date's whole days.
std::uint32_t passwordMask(double creationDate) {
    // A damaged date must not make the conversion undefined, so it is clamped first.
    double whole = creationDate;
    if (!(whole > -2147483648.0 && whole < 2147483647.0)) whole = 0;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(whole));
}

bool hasName(std::span<const std::uint8_t> page, const char* name, std::size_t length) {
    return fitsIn(page.size(), kNameOffset, length) &&
           std::memcmp(page.data() + kNameOffset, name, length) == 0;
}

}  // namespace

const JetFormat& checkDatabaseFormat(std::span<const std::uint8_t> page0, const std::string& path) {
    const bool complete = page0.size() > kVersionOffset;
    if (complete && hasName(page0, kAceName, sizeof kAceName - 1))
        throw Error(
            Error::Kind::Unsupported,
            "'" + path + "' is an Access 2007 or later (ACE) database, not a Jet 4 database");
    if (!complete || !hasName(page0, kJetName, sizeof kJetName - 1))
        throw Error(Error::Kind::Corrupt, "Unrecognized database format '" + path + "'");
    const std::uint8_t version = page0[kVersionOffset];
    if (version == jet3Format().version) return jet3Format();
    if (version != jet4Format().version)
        throw Error(
            Error::Kind::Unsupported,
            "'" + path + "' is an Access 2007 or later (ACE) database, not a Jet 4 database");
    return jet4Format();
}

DatabaseHeader readDatabaseHeader(std::span<const std::uint8_t, kPageSize> page0,
                                  const JetFormat& format) {
    PageBytes plain;
    std::copy(page0.begin(), page0.end(), plain.begin());
    rc4Apply(kHeaderKey, std::span(plain).subspan(kMaskedOffset, format.maskedSize));
    const ByteView p(plain);

    DatabaseHeader h;
    h.codePage = get16le(p, kCodePageOffset);
    h.databaseKey = get32le(p, kDatabaseKeyOffset);
    h.sortOrder = get16le(p, format.sortOrderOffset);
    if (format.hasSortVersion) {
        h.sortVersion = get8(p, kSortVersionOffset);
        h.creationDate = std::bit_cast<double>(get64le(p, kCreationDateOffset));
    }

    const std::uint32_t dateMask = format.passwordMaskedWithDate ? passwordMask(h.creationDate) : 0;
    for (std::size_t i = 0; i < format.passwordSize; ++i) {
        const auto maskByte = static_cast<std::uint8_t>(dateMask >> (8 * (i % 4)));
        if ((p[kPasswordOffset + i] ^ maskByte) != 0) h.hasPassword = true;
    }
    return h;
}

PageBytes encodeHeaderPage(const DatabaseHeader& header) {
    if (header.hasPassword || header.databaseKey != 0)
        throw std::invalid_argument("a new database has no password and no database key");
    PageBytes page{};
    page[1] = 0x01;
    std::memcpy(page.data() + kNameOffset, kJetName, sizeof kJetName);  // with its NUL
    page[kVersionOffset] = 1;                                           // Jet 4

    for (std::size_t i = 0; i < kUnknownDwords.size(); ++i)
        put32le(page, kUnknownDwordsOffset + 4 * i, kUnknownDwords[i]);
    put16le(page, kCodePageOffset, header.codePage);
    const std::uint32_t dateMask = passwordMask(header.creationDate);
    for (std::size_t i = 0; i < kPasswordSize; i += 4) put32le(page, kPasswordOffset + i, dateMask);
    put32le(page, kEngineBuildOffset, kEngineBuild);
    put16le(page, kSortOrderOffset, header.sortOrder);
    page[kSortVersionOffset] = header.sortVersion;
    const auto date = std::bit_cast<std::uint64_t>(header.creationDate);
    put32le(page, kCreationDateOffset, static_cast<std::uint32_t>(date));
    put32le(page, kCreationDateOffset + 4, static_cast<std::uint32_t>(date >> 32));
    rc4Apply(kHeaderKey, std::span(page).subspan(kMaskedOffset, kMaskedSize));

    put32le(page, kVersionTextOffset, kVersionNumber);
    std::memcpy(page.data() + kVersionTextOffset + 4, kVersionText, sizeof kVersionText);
    page[kTailOffset] = 0x01;
    page[kTailOffset + 1] = 0x01;
    for (std::size_t at = kTailOffset + 2; at < kPageSize; at += 2) page[at + 1] = 0x01;
    return page;
}

std::string sortOrderName(std::uint16_t locale, std::uint8_t version,
                          const char* unversionedFormat) {
    std::string name = locale == 1033 ? "General" : "locale " + std::to_string(locale);
    if (unversionedFormat != nullptr) return name + " (" + unversionedFormat + ")";
    if (version == 0 && locale == 1033) return name + " (legacy)";
    if (version != 0) name += " version " + std::to_string(version);
    return name;
}

}  // namespace mdb
