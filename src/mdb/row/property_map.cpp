#include "row/property_map.h"

#include <cstring>

#include "format/code_page_text.h"
#include "format/jet_text.h"
#include "format/name_compare.h"
#include "mdb/error.h"
#include "row/value_decoding.h"

namespace mdb {
namespace {

[[noreturn]] void corrupt(const std::string& what) {
    throw Error(Error::Kind::Corrupt, "property list: " + what);
}

// How a map stores its texts: Access 97's "KKD" maps in the database's code page, "MR2" maps
// in UTF-16 (or Jet 4's compressed form for values).
struct TextCoding {
    std::uint16_t codePage = 0;  // 0: UTF-16
    std::string name(ByteView bytes) const {
        return codePage != 0 ? decodeCodePageText(bytes, codePage) : decodeUtf16(bytes);
    }
    std::string value(ByteView bytes) const {
        return codePage != 0 ? decodeCodePageText(bytes, codePage) : decodeJetText(bytes);
    }
};

std::vector<std::string> readNames(ByteView block, const TextCoding& coding) {
    std::vector<std::string> names;
    for (std::size_t at = 0; at + 2 <= block.size();) {
        const std::size_t length = get16le(block, at);
        if (!fitsIn(block.size(), at + 2, length)) corrupt("a property name runs past its block");
        names.push_back(coding.name(block.subspan(at + 2, length)));
        at += 2 + length;
    }
    return names;
}

Value readPropertyValue(ColumnType type, ByteView data, const TextCoding& coding) {
    switch (type) {
        case ColumnType::Boolean:
            return !data.empty() && data[0] != 0;
        case ColumnType::Text:
        case ColumnType::Memo:
            return coding.value(data);
        default: {
            Column column;
            column.type = type;
            column.name = "property";
            return decodeValue(column, data);
        }
    }
}

PropertyMap readValues(ByteView block, const std::vector<std::string>& names,
                       const TextCoding& coding) {
    PropertyMap map;
    if (block.size() < 6) corrupt("a value block is too short");
    const std::size_t headerLength = get32le(block, 0);
    const std::size_t nameLength = get16le(block, 4);
    if (!fitsIn(block.size(), 6, nameLength) || headerLength < 6 + nameLength ||
        headerLength > block.size())
        corrupt("a value block's name runs past its end");
    map.target = coding.name(block.subspan(6, nameLength));
    for (std::size_t at = headerLength; at + 8 <= block.size();) {
        const std::size_t length = get16le(block, at);
        const std::size_t size = get16le(block, at + 6);
        if (length < 8 || !fitsIn(block.size(), at, length) || size > length - 8)
            corrupt("a value runs past its block");
        Property p;
        p.ddl = block[at + 2] != 0;
        p.type = static_cast<ColumnType>(block[at + 3]);
        const std::size_t nameIndex = get16le(block, at + 4);
        if (nameIndex >= names.size())
            corrupt("a value names property " + std::to_string(nameIndex) +
                    ", which is not listed");
        p.name = names[nameIndex];
        p.value = readPropertyValue(p.type, block.subspan(at + 8, size), coding);
        map.properties.push_back(std::move(p));
        at += length;
    }
    return map;
}

}  // namespace

const Property* PropertyMap::find(std::string_view name) const {
    for (const Property& p : properties)
        if (sameName(p.name, name)) return &p;
    return nullptr;
}

std::vector<PropertyMap> parsePropertyMaps(ByteView blob, std::uint16_t codePage) {
    std::vector<PropertyMap> maps;
    if (blob.empty()) return maps;
    const bool utf16 = blob.size() >= 4 && std::memcmp(blob.data(), "MR2", 4) == 0;
    const bool eightBit = blob.size() >= 4 && std::memcmp(blob.data(), "KKD", 4) == 0;
    if (!utf16 && !eightBit) corrupt("unknown signature");
    const TextCoding coding{eightBit ? (codePage != 0 ? codePage : std::uint16_t{1252})
                                     : std::uint16_t{0}};
    std::vector<std::string> names;
    for (std::size_t at = 4; at < blob.size();) {
        if (!fitsIn(blob.size(), at, 6)) corrupt("a block header runs past the end");
        const std::size_t length = get32le(blob, at);
        const std::uint16_t type = get16le(blob, at + 4);
        if (length < 6 || !fitsIn(blob.size(), at, length)) corrupt("a block runs past the end");
        const ByteView block = blob.subspan(at, length);
        if (type == 0x80) {
            names = readNames(block.subspan(6), coding);
        } else if (type <= 0x02) {
            maps.push_back(readValues(block.subspan(6), names, coding));
        }
        at += length;
    }
    return maps;
}

ColumnProperties columnPropertiesFrom(const PropertyMap* map) {
    ColumnProperties out;
    if (map == nullptr) return out;
    auto flag = [map](const char* name) -> std::optional<bool> {
        const Property* p = map->find(name);
        if (p == nullptr) return std::nullopt;
        if (const bool* b = std::get_if<bool>(&p->value)) return *b;
        return std::nullopt;
    };
    auto text = [map](const char* name) -> std::optional<std::string> {
        const Property* p = map->find(name);
        if (p == nullptr) return std::nullopt;
        if (const std::string* s = std::get_if<std::string>(&p->value)) return *s;
        return std::nullopt;
    };
    out.required = flag("Required");
    out.allowZeroLength = flag("AllowZeroLength");
    out.defaultValue = text("DefaultValue");
    out.validationRule = text("ValidationRule");
    out.validationText = text("ValidationText");
    return out;
}

}  // namespace mdb
