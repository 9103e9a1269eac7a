#include "index/general_legacy_codes.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace mdb {
namespace sort_order {
// Defined in the source generated from sort_order/general_legacy.keys (sort_order.cmake).
extern const unsigned char kGeneralLegacyKeys[];
extern const std::size_t kGeneralLegacyKeysSize;
}  // namespace sort_order

namespace {

constexpr std::size_t kUnits = 0x10000;

// Reads the data file's records (the format is described in sort_order/make_table.py). The data
// is part of the program, so a damaged table is a build fault, reported as a logic error.
class TableReader {
public:
    TableReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    std::vector<CharCode> read() {
        if (size_ < 4 || std::string(data_, data_ + 4) != "GLK1") fail("bad magic");
        pos_ = 4;
        while (pos_ < size_) readRecord();
        if (codes_.size() != kUnits) fail("does not cover every code unit");
        return std::move(codes_);
    }

private:
    void readRecord() {
        const char kind = static_cast<char>(byte());
        switch (kind) {
            case 'X':
                add(CharCode{}, count());
                break;
            case 'S':
                readSimpleRun();
                break;
            case 'I':
            case 'Z': {
                CharCode c;
                c.kind = kind == 'I' ? CharCode::Kind::International : CharCode::Kind::Flagged;
                c.inlineLength = bytes(c.inlineBytes);
                c.extraLength = bytes(c.extra);
                if (kind == 'Z') c.flag = byte();
                add(c, 1);
                break;
            }
            case 'U': {
                CharCode c;
                c.kind = CharCode::Kind::Unprintable;
                c.extraLength = bytes(c.extra);
                add(c, 1);
                break;
            }
            case 'P': {
                CharCode c;
                c.kind = CharCode::Kind::ExtraModifier;
                c.modifier = byte();
                add(c, 1);
                break;
            }
            case 'H':
            case 'L':
                addSurrogates(count());
                break;
            default:
                fail("unknown record kind");
        }
    }

    // A run of simple codes: each code unit's bytes are the previous one's plus one.
    void readSimpleRun() {
        const std::size_t n = count();
        CharCode c;
        c.kind = CharCode::Kind::Simple;
        c.inlineLength = bytes(c.inlineBytes);
        for (std::size_t i = 0; i < n; ++i) {
            add(c, 1);
            for (int b = c.inlineLength - 1; b >= 0; --b) {
                const auto at = static_cast<std::size_t>(b);
                if (++c.inlineBytes[at] != 0) break;
            }
        }
    }

    // Surrogates have no line in the published tables; their inline bytes are computed from the
    // code unit and their extra code is 0x3F.
    void addSurrogates(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned unit = static_cast<unsigned>(codes_.size());
            unsigned value = 0;
            if (unit < 0xDC00) {
                value = unit - 10238;
            } else {
                // Low surrogates are numbered in five bands of their 1024-unit block.
                const unsigned offset = (unit - 0xDC00) % 1024;
                const unsigned shift = offset < 8             ? 9992
                                       : offset < 8 + 254     ? 9990
                                       : offset < 8 + 2 * 254 ? 9988
                                       : offset < 8 + 3 * 254 ? 9986
                                                              : 9984;
                value = unit - shift;
            }
            CharCode c;
            c.kind = CharCode::Kind::International;
            c.inlineLength = 2;
            c.inlineBytes = {static_cast<std::uint8_t>(value >> 8),
                             static_cast<std::uint8_t>(value & 0xFF), 0, 0};
            c.extraLength = 1;
            c.extra = {0x3F, 0, 0, 0};
            add(c, 1);
        }
    }

    void add(const CharCode& c, std::size_t n) {
        if (codes_.size() + n > kUnits) fail("covers more than every code unit");
        codes_.insert(codes_.end(), n, c);
    }
    std::uint8_t byte() {
        if (pos_ >= size_) fail("truncated");
        return data_[pos_++];
    }
    std::size_t count() {
        const std::size_t low = byte();
        return low | static_cast<std::size_t>(byte()) << 8;
    }
    std::uint8_t bytes(std::array<std::uint8_t, 4>& into) {
        const std::uint8_t n = byte();
        if (n > into.size()) fail("code longer than 4 bytes");
        for (std::size_t i = 0; i < n; ++i) into[i] = byte();
        return n;
    }
    [[noreturn]] void fail(const char* what) const {
        throw std::logic_error(std::string("general_legacy.keys: ") + what);
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::vector<CharCode> codes_;
};

}  // namespace

const CharCode& generalLegacyCode(char16_t unit) {
    static const std::vector<CharCode> table =
        TableReader(sort_order::kGeneralLegacyKeys, sort_order::kGeneralLegacyKeysSize).read();
    return table[unit];
}

}  // namespace mdb
