// table_definition_writer.h: a TableDefinition as the bytes of its TDEF page chain (the layout
// is in table_definition.h); the inverse of parseTableDefinition.
//
// The definition is first encoded whole ("joined"), then laid onto pages: the first page holds
// joined bytes 0..4095, each further page an 8-byte header (02 01, free space, next page) and the
// next 4088 bytes. Each page's free-space field is 4096 - 8 - the bytes it holds (header
// included), never below 0, as Access and Jackcess write it.
//
// The definition's block order (table_definition.h) decides the layout: Access's table designer
// or the database engine's, which sorts blocks by name (the system catalogue of a database the
// engine made, the MSysNavPane tables of Access-made files).
// Readers accept both. Fields the reader does not keep are written as Access leaves them when
// they carry nothing (zeros; the magic numbers 1625 and 1923; FF FF 00 in unused index column
// slots); uninitialised bytes that Access sometimes leaves there are not reproduced.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "file/pager.h"
#include "format/byte_order.h"
#include "format/table_definition.h"

namespace mdb {

// The joined definition, in the layout of definition.format. Its length field (offset 8) is the
// buffer's size. `page`, `pages` and `length` of the definition are ignored. An Access 97
// definition holds its names, and the code page of every column, in `codePage` (the
// database's). REQUIRES: every name fits 65535 bytes of UTF-16 (255 bytes in Access 97), at most
// 10 columns per physical index (std::invalid_argument otherwise).
std::vector<std::uint8_t> encodeTableDefinition(const TableDefinition& definition,
                                                std::uint16_t codePage = 0);

// How many pages a joined definition of `length` bytes takes.
std::size_t tableDefinitionPageCount(std::size_t length, const JetFormat& format = jet4Format());

// The pages of a joined definition, chained in the order `chain` lists them (each page's
// next-page field names the following one, the last 0). Access 97 pages carry "VC" where
// Jet 4 pages carry their free space. REQUIRES: chain.size() ==
// tableDefinitionPageCount(joined.size(), format).
std::vector<PageBytes> tableDefinitionPages(ByteView joined, std::span<const PageNumber> chain,
                                            const JetFormat& format = jet4Format());

// Encodes `definition` (names in the pager's code page) and writes its pages through the pager,
// on `chain`. REQUIRES: pager.writing() and a chain of exactly the needed length.
void writeTableDefinition(Pager& pager, const TableDefinition& definition,
                          std::span<const PageNumber> chain);

}  // namespace mdb
