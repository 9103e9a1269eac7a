#include "format/jet_format.h"

namespace mdb {

const JetFormat& jet3Format() {
    static const JetFormat format{
        .version = 0,
        .name = "Jet 3 (Access 97)",
        .sortOrderLabel = "Access 97",
        .pageSize = 2048,
        .maxFileSize = 1ull << 30,
        .maskedSize = 126,
        .sortOrderOffset = 0x3A,
        .hasSortVersion = false,
        .passwordSize = 20,
        .passwordMaskedWithDate = false,
        .dataRowCountOffset = 8,
        .dataFirstSlotOffset = 10,
        .maxRowsOnDataPage = 255,
        .tdefRowCountOffset = 12,
        .tdefAutoNumberOffset = 16,
        .tdefAutoNumberFlagOffset = 0,
        .tdefTableTypeOffset = 20,
        .tdefIndexHeaderOffset = 43,
        .tdefIndexHeaderSize = 8,
        .tdefColumnBlockSize = 18,
        .columnNumberOffset = 1,
        .columnVarIndexOffset = 3,
        .columnSortOrderOffset = 9,
        .columnCodePageOffset = 11,
        .columnPrecisionOffset = 11,
        .columnFlagsOffset = 13,
        .columnExtFlagsOffset = 0,
        .columnFixedOffsetOffset = 14,
        .columnLengthOffset = 16,
        .tdefIndexBlockSize = 39,
        .indexColumnsOffset = 0,
        .indexUsageMapOffset = 30,
        .indexRootOffset = 34,
        .indexFlagsOffset = 38,
        .tdefLogicalIndexBlockSize = 20,
        .logicalIndexFieldsOffset = 0,
        .nameLengthSize = 1,
        .rowCountSize = 1,
        .varOffsetSize = 1,
        .eightBitText = true,
        .indexPrevPageOffset = 8,
        .indexPrefixLengthSize = 1,
        .indexEntryMaskOffset = 0x16,
        .indexFirstEntryOffset = 0xF8,
    };
    return format;
}

const JetFormat& jet4Format() {
    static const JetFormat format{
        .version = 1,
        .name = "Jet 4 (Access 2000-2003)",
        .sortOrderLabel = nullptr,
        .pageSize = 4096,
        .maxFileSize = 1ull << 31,
        .maskedSize = 128,
        .sortOrderOffset = 0x6E,
        .hasSortVersion = true,
        .passwordSize = 40,
        .passwordMaskedWithDate = true,
        .dataRowCountOffset = 12,
        .dataFirstSlotOffset = 14,
        .maxRowsOnDataPage = 256,
        .tdefRowCountOffset = 16,
        .tdefAutoNumberOffset = 20,
        .tdefAutoNumberFlagOffset = 24,
        .tdefTableTypeOffset = 40,
        .tdefIndexHeaderOffset = 63,
        .tdefIndexHeaderSize = 12,
        .tdefColumnBlockSize = 25,
        .columnNumberOffset = 5,
        .columnVarIndexOffset = 7,
        .columnSortOrderOffset = 11,
        .columnCodePageOffset = 0,
        .columnPrecisionOffset = 11,
        .columnFlagsOffset = 15,
        .columnExtFlagsOffset = 16,
        .columnFixedOffsetOffset = 21,
        .columnLengthOffset = 23,
        .tdefIndexBlockSize = 52,
        .indexColumnsOffset = 4,
        .indexUsageMapOffset = 34,
        .indexRootOffset = 38,
        .indexFlagsOffset = 46,
        .tdefLogicalIndexBlockSize = 28,
        .logicalIndexFieldsOffset = 4,
        .nameLengthSize = 2,
        .rowCountSize = 2,
        .varOffsetSize = 2,
        .eightBitText = false,
        .indexPrevPageOffset = 12,
        .indexPrefixLengthSize = 2,
        .indexEntryMaskOffset = 0x1B,
        .indexFirstEntryOffset = 0x1E0,
    };
    return format;
}

const JetFormat& formatOfPageSize(std::size_t pageSize) {
    return pageSize == jet3Format().pageSize ? jet3Format() : jet4Format();
}

}  // namespace mdb
