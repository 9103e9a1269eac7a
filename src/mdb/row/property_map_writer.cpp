#include "row/property_map_writer.h"

#include <algorithm>

#include "format/code_page_text.h"
#include "format/jet_text.h"
#include "mdb/error.h"
#include "row/value_encoding.h"

namespace mdb {
namespace {

constexpr std::uint16_t kNamesBlock = 0x80;
constexpr std::uint16_t kObjectBlock = 0x00;
constexpr std::uint16_t kColumnBlock = 0x01;
constexpr std::size_t kBlockHeaderSize = 6;  // u32 length, u16 type
constexpr std::size_t kValueHeaderSize = 8;  // u16 length, u8 ddl, u8 type, u16 name, u16 size

void put16(std::vector<std::uint8_t>& out, std::size_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::size_t v) {
    put16(out, v & 0xFFFF);
    put16(out, (v >> 16) & 0xFFFF);
}

// Appends a block: its header, then `body`.
void appendBlock(std::vector<std::uint8_t>& out, std::uint16_t type,
                 const std::vector<std::uint8_t>& body) {
    put32(out, kBlockHeaderSize + body.size());
    put16(out, type);
    out.insert(out.end(), body.begin(), body.end());
}

// A name or text value: UTF-16LE, or 8-bit in `codePage` when it is not 0 (Access 97).
std::vector<std::uint8_t> textBytes(const std::string& utf8, std::uint16_t codePage) {
    if (codePage == 0) return encodeUtf16(utf8);
    std::vector<std::uint8_t> bytes;
    (void)appendCodePageText(bytes, utf8, codePage);
    return bytes;
}

std::vector<std::uint8_t> valueBytes(const Property& p, const std::string& target,
                                     std::uint16_t codePage) {
    if (p.type == ColumnType::Boolean) {
        const bool* b = std::get_if<bool>(&p.value);
        if (b == nullptr)
            throw Error(Error::Kind::Refused,
                        "property " + p.name + " of " + target + " must be Yes or No");
        return {static_cast<std::uint8_t>(*b ? 0x01 : 0x00)};
    }
    if (p.type == ColumnType::Text || p.type == ColumnType::Memo) {
        const std::string* s = std::get_if<std::string>(&p.value);
        if (s == nullptr)
            throw Error(Error::Kind::Refused,
                        "property " + p.name + " of " + target + " must be a text");
        return textBytes(*s, codePage);
    }
    Column column;
    column.type = p.type;
    column.flags = 0x02;  // variable: binary values keep their own length
    column.length = 0xFFFF;
    return encodeColumnValue(column, p.value, target + "." + p.name);
}

}  // namespace

std::vector<std::uint8_t> encodePropertyMaps(const std::vector<PropertyMap>& maps,
                                             std::uint16_t codePage) {
    std::vector<std::string> names;
    for (const PropertyMap& map : maps)
        for (const Property& p : map.properties)
            if (std::find(names.begin(), names.end(), p.name) == names.end())
                names.push_back(p.name);
    if (names.empty()) return {};

    std::vector<std::uint8_t> blob = codePage == 0 ? std::vector<std::uint8_t>{'M', 'R', '2', 0}
                                                   : std::vector<std::uint8_t>{'K', 'K', 'D', 0};
    std::vector<std::uint8_t> body;
    for (const std::string& name : names) {
        const std::vector<std::uint8_t> text = textBytes(name, codePage);
        put16(body, text.size());
        body.insert(body.end(), text.begin(), text.end());
    }
    appendBlock(blob, kNamesBlock, body);

    for (const PropertyMap& map : maps) {
        if (map.properties.empty()) continue;
        body.clear();
        const std::vector<std::uint8_t> target = textBytes(map.target, codePage);
        put32(body, 4 + 2 + target.size());
        put16(body, target.size());
        body.insert(body.end(), target.begin(), target.end());
        for (const Property& p : map.properties) {
            const std::vector<std::uint8_t> data = valueBytes(p, map.target, codePage);
            const auto index = static_cast<std::size_t>(
                std::find(names.begin(), names.end(), p.name) - names.begin());
            put16(body, kValueHeaderSize + data.size());
            body.push_back(p.ddl ? 1 : 0);
            body.push_back(static_cast<std::uint8_t>(p.type));
            put16(body, index);
            put16(body, data.size());
            body.insert(body.end(), data.begin(), data.end());
        }
        appendBlock(blob, map.target.empty() ? kObjectBlock : kColumnBlock, body);
    }
    return blob;
}

PropertyMap columnPropertyMap(const Column& column) {
    PropertyMap map;
    map.target = column.name;
    const ColumnProperties& p = column.properties;
    auto add = [&](const char* name, ColumnType type, Value value) {
        map.properties.push_back({name, type, true, std::move(value)});
    };
    if (p.defaultValue) add("DefaultValue", ColumnType::Memo, *p.defaultValue);
    if (p.required) add("Required", ColumnType::Boolean, *p.required);
    if (p.allowZeroLength) add("AllowZeroLength", ColumnType::Boolean, *p.allowZeroLength);
    if (p.validationRule) add("ValidationRule", ColumnType::Memo, *p.validationRule);
    if (p.validationText) add("ValidationText", ColumnType::Memo, *p.validationText);
    if ((column.type == ColumnType::Text || column.type == ColumnType::Memo) &&
        column.compressesUnicode())
        add("UnicodeCompression", ColumnType::Boolean, true);
    return map;
}

}  // namespace mdb
