// header_page.h: page 0 of a Jet file, which names the format and holds database-wide settings.
//   OFFSET  SIZE  DESCRIPTION
//   0x00     4    00 01 00 00
//   0x04    15    engine name: "Standard Jet DB" (Jet) or "Standard ACE DB" (ACE)
//   0x14     1    version: 0 Jet 3 (Access 97), 1 Jet 4 (Access 2000-2003), 2 and up ACE
//   0x18   128    masked: XORed with the RC4 keystream of key C7 DA 39 6B (126 bytes in
//                   Jet 3). Inside it:
//   0x3A     2      Jet 3: sort order, a Windows locale id
//   0x3C     2      code page (1252 in Western files; Jet 3 text is stored in it)
//   0x3E     4      database key: 0, or the key that codes every page above 0
//   0x42    40      database password, UTF-16, XORed with the 4 little-endian bytes of the
//                   creation date truncated to an integer (all zero after that: no password);
//                   Jet 3: 20 bytes, 8-bit, not XORed
//   0x6E     2      Jet 4: sort order, a Windows locale id (1033 = 0x0409 for "General")
//   0x71     1      Jet 4: sort order version (0 = the "General Legacy" order of Access
//                   2000-2003)
//   0x72     8      Jet 4: creation date, a double counting days since 1899-12-30
// Nothing else on the page is needed to read the database. A few other fields are constants of
// the format, whose meaning is unknown; the writer reproduces them (header_page.cpp).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "file/page_file.h"
#include "format/jet_format.h"

namespace mdb {

struct DatabaseHeader {
    std::uint16_t codePage = 0;
    std::uint32_t databaseKey = 0;
    bool hasPassword = false;
    std::uint16_t sortOrder = 0;   // locale id
    std::uint8_t sortVersion = 0;  // 0 = General Legacy
    double creationDate = 0;       // days since 1899-12-30
};

// The format of the database whose page 0 (or its first bytes) is `page0`: Jet 3 or Jet 4.
// Throws Error (Unsupported) naming the format for ACE files and Error (Corrupt) for anything
// that is not an Access database; every message names `path`.
const JetFormat& checkDatabaseFormat(std::span<const std::uint8_t> page0, const std::string& path);

// Decodes the masked region of a header page of the given format.
DatabaseHeader readDatabaseHeader(std::span<const std::uint8_t, kPageSize> page0,
                                  const JetFormat& format = jet4Format());

// Page 0 of a new Jet 4 database: no password and no database key (REQUIRES both, else
// std::invalid_argument), the given code page, sort order and creation date.
PageBytes encodeHeaderPage(const DatabaseHeader& header);

// "General" for locale 1033, otherwise "locale N"; the version is appended when not 0. A
// format without sort order versions (Jet 3) passes a label instead: "General (Access 97)".
std::string sortOrderName(std::uint16_t locale, std::uint8_t version,
                          const char* unversionedFormat = nullptr);

}  // namespace mdb
