#include "row/property_map_writer.h"

#include <gtest/gtest.h>

#include "database/catalog.h"
#include "fixture_paths.h"
#include "mdb/database.h"
#include "row/property_map.h"

namespace {

void expectSameMaps(const std::vector<mdb::PropertyMap>& a,
                    const std::vector<mdb::PropertyMap>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE("map " + a[i].target);
        EXPECT_EQ(a[i].target, b[i].target);
        ASSERT_EQ(a[i].properties.size(), b[i].properties.size());
        for (std::size_t k = 0; k < a[i].properties.size(); ++k) {
            const mdb::Property& x = a[i].properties[k];
            const mdb::Property& y = b[i].properties[k];
            SCOPED_TRACE("property " + x.name);
            EXPECT_EQ(x.name, y.name);
            EXPECT_EQ(x.type, y.type);
            EXPECT_EQ(x.ddl, y.ddl);
            EXPECT_TRUE(x.value == y.value);
        }
    }
}

// Every property list in the catalogue of every Access-made fixture (tables, forms, the
// database's own): parsed, encoded and parsed again, it holds the same maps.
TEST(PropertyMapWriter, RoundTripsEveryFixturePropertyList) {
    REQUIRE_MDB_FIXTURES();
    int blobs = 0;
    for (const char* name : {"V2000_no-password.mdb", "empty.mdb", "empty2003.mdb", "testV2003.mdb",
                             "test2V2003.mdb", "indexTestV2003.mdb", "fixedTextTestV2003.mdb",
                             "testUnicodeCompV2003.mdb", "testIndexPropertiesV2003.mdb"}) {
        auto db = mdb::Database::open(fixtures::mdb(name), mdb::OpenMode::ReadOnly);
        for (const mdb::CatalogEntry& entry : db->catalog()) {
            if (entry.properties.empty()) continue;
            SCOPED_TRACE(std::string(name) + ": " + entry.name);
            const std::vector<mdb::PropertyMap> maps = mdb::parsePropertyMaps(entry.properties);
            expectSameMaps(maps, mdb::parsePropertyMaps(mdb::encodePropertyMaps(maps)));
            ++blobs;
        }
    }
    EXPECT_GT(blobs, 30);
}

// The value records of Access's own column properties, as V2000_no-password.mdb stores those of
// Table1.Data: length, ddl 1, type, name index, size, value.
TEST(PropertyMapWriter, WritesColumnPropertiesAsAccessDoes) {
    mdb::Column column;
    column.name = "Data";
    column.type = mdb::ColumnType::Text;
    column.extFlags = 0x01;
    column.properties.required = false;
    column.properties.allowZeroLength = true;
    column.properties.defaultValue = "0";
    const std::vector<std::uint8_t> blob =
        mdb::encodePropertyMaps({mdb::columnPropertyMap(column)});
    const std::vector<std::uint8_t> expected = {
        'M', 'R', '2', 0,
        // names: DefaultValue, Required, AllowZeroLength, UnicodeCompression
        0x78, 0, 0, 0, 0x80, 0, 24, 0, 'D', 0, 'e', 0, 'f', 0, 'a', 0, 'u', 0, 'l', 0, 't', 0, 'V',
        0, 'a', 0, 'l', 0, 'u', 0, 'e', 0, 16, 0, 'R', 0, 'e', 0, 'q', 0, 'u', 0, 'i', 0, 'r', 0,
        'e', 0, 'd', 0, 30, 0, 'A', 0, 'l', 0, 'l', 0, 'o', 0, 'w', 0, 'Z', 0, 'e', 0, 'r', 0, 'o',
        0, 'L', 0, 'e', 0, 'n', 0, 'g', 0, 't', 0, 'h', 0, 36, 0, 'U', 0, 'n', 0, 'i', 0, 'c', 0,
        'o', 0, 'd', 0, 'e', 0, 'C', 0, 'o', 0, 'm', 0, 'p', 0, 'r', 0, 'e', 0, 's', 0, 's', 0, 'i',
        0, 'o', 0, 'n', 0,
        // the column's block
        0x39, 0, 0, 0, 0x01, 0, 14, 0, 0, 0, 8, 0, 'D', 0, 'a', 0, 't', 0, 'a', 0, 10, 0, 1, 12, 0,
        0, 2, 0, '0', 0,               // DefaultValue, Memo "0"
        9, 0, 1, 1, 1, 0, 1, 0, 0x00,  // Required: No
        9, 0, 1, 1, 2, 0, 1, 0, 0x01,  // AllowZeroLength: Yes (01, as Access)
        9, 0, 1, 1, 3, 0, 1, 0, 0x01,  // UnicodeCompression: Yes
    };
    EXPECT_EQ(blob, expected);
    EXPECT_TRUE(mdb::encodePropertyMaps({mdb::PropertyMap{"Data", {}}}).empty());
}

}  // namespace
