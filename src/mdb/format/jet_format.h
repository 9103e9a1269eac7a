// jet_format.h: the layouts in which Jet 3 (Access 97) and Jet 4 (Access 2000-2003) files
// differ, as data: one description per format, chosen once when the file is opened, so that
// the code reading a page asks the description for an offset instead of asking which format
// it is reading.
//
//                                         Jet 3           Jet 4
//   page size                             2048            4096
//   header: masked region at 0x18         126 bytes       128 bytes
//           sort order                    0x3A (2)        0x6E (2), version at 0x71
//           password                      0x42, 20 bytes  0x42, 40 bytes XORed with the date
//   data page: row count, first slot      8, 10           12, 14
//   table definition: see table_definition.h for both layouts
//   row: column count, variable offsets   1 byte each     2 bytes each
//        rows of 256 bytes and more       a jump table    (none)
//   text                                  8-bit, in the   UTF-16LE or compressed
//                                         code page
//   names in a table definition           1-byte length   2-byte length, UTF-16LE
//   index page: previous page, entry      8, 0x16, 0xF8   12, 0x1B, 0x1E0
//               bitmask, first entry
//   property maps start with              "KKD\0"         "MR2\0"
//   largest row; long-value row           2012; 2032      4060; 4076
//   largest file                          1 GB            2 GB
#pragma once

#include <cstddef>
#include <cstdint>

namespace mdb {

struct JetFormat {
    std::uint8_t version;        // byte 0x14 of the header page
    const char* name;            // as `info` prints it
    const char* sortOrderLabel;  // names the sort order where the header has no version
    std::size_t pageSize;
    std::uint64_t maxFileSize;

    // Header page.
    std::size_t maskedSize;
    std::size_t sortOrderOffset;
    bool hasSortVersion;  // the byte at 0x71
    std::size_t passwordSize;
    bool passwordMaskedWithDate;

    // Data pages.
    std::size_t dataRowCountOffset;
    std::size_t dataFirstSlotOffset;
    int maxRowsOnDataPage;
    std::size_t maxRowSize;           // the largest row a data page takes
    std::size_t maxLongValueRowSize;  // the most one row of a long value holds

    // Table definitions (offsets into the joined definition, see table_definition.h).
    std::size_t tdefRowCountOffset;
    std::size_t tdefAutoNumberOffset;
    std::size_t tdefAutoNumberFlagOffset;  // 0: the format has no such flag
    std::size_t tdefTableTypeOffset;
    std::size_t tdefIndexHeaderOffset;  // where the physical index headers start
    std::size_t tdefIndexHeaderSize;
    std::size_t tdefColumnBlockSize;
    std::size_t columnNumberOffset;
    std::size_t columnVarIndexOffset;
    std::size_t columnSortOrderOffset;
    std::size_t columnCodePageOffset;  // 0: text is not 8-bit
    std::size_t columnPrecisionOffset;
    std::size_t columnFlagsOffset;
    std::size_t columnExtFlagsOffset;  // 0: none
    std::size_t columnFixedOffsetOffset;
    std::size_t columnLengthOffset;
    std::size_t tdefIndexBlockSize;  // per physical index
    std::size_t indexColumnsOffset;
    std::size_t indexUsageMapOffset;
    std::size_t indexRootOffset;
    std::size_t indexFlagsOffset;
    std::size_t tdefLogicalIndexBlockSize;
    std::size_t logicalIndexFieldsOffset;  // where "number" starts
    std::size_t nameLengthSize;            // 1 or 2 bytes before each name

    // Rows.
    std::size_t rowCountSize;   // the column count at the row start
    std::size_t varOffsetSize;  // each variable-column offset, and their count
    bool eightBitText;          // text in the database's code page, not UTF-16

    // Index pages: previous, next and child-tail page, then the prefix length, 4 bytes apart.
    std::size_t indexPrevPageOffset;
    std::size_t indexPrefixLengthSize;  // Jet 3 keeps another byte after it
    std::size_t indexEntryMaskOffset;
    std::size_t indexFirstEntryOffset;

    // Bitmap pages of a reference usage map: pages one of them covers.
    std::size_t pagesPerMapPage() const { return (pageSize - 4) * 8; }
};

const JetFormat& jet3Format();
const JetFormat& jet4Format();
// The format whose pages have this size (the only thing a page reader knows).
// REQUIRES: pageSize is 2048 or 4096.
const JetFormat& formatOfPageSize(std::size_t pageSize);

}  // namespace mdb
