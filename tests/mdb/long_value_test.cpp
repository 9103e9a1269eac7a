#include "row/long_value.h"

#include <gtest/gtest.h>

#include "file/pager.h"
#include "format/data_page.h"
#include "mdb/error.h"
#include "page_builder.h"

namespace {

using build::Bytes;

Bytes header(std::uint32_t length, std::uint8_t type, std::uint32_t pointer) {
    Bytes b;
    build::append32(b, length | (static_cast<std::uint32_t>(type) << 24));
    build::append32(b, pointer);
    build::append32(b, 0);
    return b;
}

Bytes link(std::uint32_t next, const std::string& data) {
    Bytes b;
    build::append32(b, next);
    for (char c : data) b.push_back(static_cast<std::uint8_t>(c));
    return b;
}

std::string text(const mdb::Binary& b) { return std::string(b.begin(), b.end()); }

// LVAL pages 1-3 hold a chain 1:0 -> 2:0 -> 3:1 spelling "Hello, wide world!!!", a single-row
// value at 3:0 and, on page 4, a link that points at itself.
std::unique_ptr<mdb::Pager> longValuePages() {
    return build::pagerOver({
        mdb::PageBytes{},
        build::dataPage(mdb::kLongValueOwner, {{link(build::pointer(2, 0), "Hello, ")}}),
        build::dataPage(mdb::kLongValueOwner, {{link(build::pointer(3, 1), "wide ")}}),
        build::dataPage(mdb::kLongValueOwner,
                        {{Bytes{'s', 'i', 'n', 'g', 'l', 'e'}}, {link(0, "world!!!")}}),
        build::dataPage(mdb::kLongValueOwner, {{link(build::pointer(4, 0), "again ")}}),
    });
}

TEST(LongValue, ReadsInlineSingleRowAndChainedValues) {
    auto pager = longValuePages();
    Bytes inlineValue = header(5, mdb::kLongValueInline, 0);
    for (char c : std::string("short")) inlineValue.push_back(static_cast<std::uint8_t>(c));
    EXPECT_EQ(text(mdb::readLongValue(*pager, inlineValue)), "short");
    EXPECT_EQ(
        text(mdb::readLongValue(*pager, header(6, mdb::kLongValueSingleRow, build::pointer(3, 0)))),
        "single");
    // 7 + 5 + 6 bytes: the stated length ends inside the last link ("world!!!").
    EXPECT_EQ(
        text(mdb::readLongValue(*pager, header(18, mdb::kLongValueChain, build::pointer(1, 0)))),
        "Hello, wide world!");
    EXPECT_EQ(text(mdb::readLongValue(*pager, header(0, mdb::kLongValueChain, 0))), "");
}

TEST(LongValue, DamagedHeadersAndChainsAreCorrupt) {
    auto pager = longValuePages();
    struct Case {
        const char* label;
        Bytes field;
        const char* message;
    };
    const Case cases[] = {
        {"short header", Bytes{1, 0, 0, 0x80}, "the header has 4 bytes"},
        {"unknown type", header(3, 0x20, build::pointer(3, 0)), "unknown storage type"},
        {"chain loops", header(100, mdb::kLongValueChain, build::pointer(4, 0)), "loops"},
        {"chain ends early", header(100, mdb::kLongValueChain, build::pointer(1, 0)),
         "the chain ends after 20 of 100 bytes"},
        {"row past the file", header(4, mdb::kLongValueSingleRow, build::pointer(77, 0)),
         "outside the file"},
        {"row on page 0", header(4, mdb::kLongValueSingleRow, build::pointer(0, 3)),
         "outside the file"},
        {"missing row", header(4, mdb::kLongValueSingleRow, build::pointer(3, 5)),
         "does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            (void)mdb::readLongValue(*pager, c.field);
            ADD_FAILURE() << "no error";
        } catch (const mdb::Error& e) {
            EXPECT_EQ(e.kind, mdb::Error::Kind::Corrupt);
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
