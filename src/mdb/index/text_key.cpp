#include "index/text_key.h"

#include <span>

#include "index/general_legacy_codes.h"

namespace mdb {
namespace {

constexpr std::uint8_t kEndInline = 0x01;
constexpr std::uint8_t kEndKey = 0x00;
constexpr std::uint8_t kExtraPlaceholder = 0x02;
constexpr std::uint8_t kUnprintableMidfix = 0x06;
constexpr std::uint8_t kFlagByteBase = 0x80;
constexpr std::uint8_t kFlagTrailer[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr std::uint8_t kFlagsBeforeUnprintable = 0xFF;

// The extra section is written per character position, so it remembers how many characters
// (with inline codes) it has accounted for, placeholders included.
struct ExtraSection {
    std::vector<std::uint8_t> bytes;
    std::size_t characters = 0;
    // A modifier that arrives before any extra code becomes a byte of its own; it is not
    // counted when positions of unprintable characters are computed.
    std::size_t leadingModifiers = 0;
    bool used = false;

    void padTo(std::size_t position) {
        if (characters < position) {
            bytes.insert(bytes.end(), position - characters, kExtraPlaceholder);
            characters = position;
        }
    }
};

struct Sections {
    std::vector<std::uint8_t> unprintable;
    std::vector<std::uint8_t> flags;
    ExtraSection extra;
};

void addExtra(Sections& s, std::size_t position, const CharCode& c) {
    ExtraSection& e = s.extra;
    e.used = true;
    e.padTo(position);
    if (c.kind == CharCode::Kind::ExtraModifier) {
        if (e.bytes.empty()) {
            e.bytes.push_back(c.modifier);
            e.leadingModifiers = 1;
        } else {
            e.bytes.back() = static_cast<std::uint8_t>(e.bytes.back() + c.modifier);
        }
        return;
    }
    e.bytes.insert(e.bytes.end(), c.extra.begin(), c.extra.begin() + c.extraLength);
    ++e.characters;
}

void addUnprintable(Sections& s, std::size_t position, const CharCode& c) {
    // The position counts extra-section bytes, including extra codes not written yet.
    std::size_t at = position;
    if (s.extra.used)
        at = s.extra.bytes.size() + (position - s.extra.characters) - s.extra.leadingModifiers;
    const std::size_t code = 0x8000 | (7 + 4 * at);
    s.unprintable.push_back(static_cast<std::uint8_t>((code >> 8) & 0xFF));
    s.unprintable.push_back(static_cast<std::uint8_t>(code & 0xFF));
    s.unprintable.push_back(kUnprintableMidfix);
    s.unprintable.insert(s.unprintable.end(), c.extra.begin(), c.extra.begin() + c.extraLength);
}

void trimTrailing(std::vector<std::uint8_t>& bytes, std::uint8_t low, std::uint8_t high) {
    while (!bytes.empty() && bytes.back() >= low && bytes.back() <= high) bytes.pop_back();
}

void writeFlags(std::vector<std::uint8_t>& key, std::span<const std::uint8_t> flags) {
    // A final run of 3-flags says nothing.
    while (!flags.empty() && flags.back() == 3) flags = flags.first(flags.size() - 1);
    for (std::size_t i = 0; i < flags.size(); i += 3) {
        std::uint8_t packed = kFlagByteBase;
        for (std::size_t j = 0; j < 3 && i + j < flags.size(); ++j)
            packed = static_cast<std::uint8_t>(packed | flags[i + j] << (2 * (2 - j)));
        key.push_back(packed);
    }
    key.insert(key.end(), std::begin(kFlagTrailer), std::end(kFlagTrailer));
}

std::u16string_view indexedPart(std::u16string_view text) {
    text = text.substr(0, kMaxIndexedTextLength);
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    return text;
}

}  // namespace

void appendGeneralLegacyTextKey(std::vector<std::uint8_t>& key, std::u16string_view text,
                                bool ascending) {
    const std::size_t start = key.size();
    Sections s;
    std::size_t position = 0;  // characters with inline codes so far
    for (char16_t unit : indexedPart(text)) {
        const CharCode& c = generalLegacyCode(unit);
        const std::size_t here = position;
        if (c.inlineLength > 0) {
            key.insert(key.end(), c.inlineBytes.begin(), c.inlineBytes.begin() + c.inlineLength);
            ++position;
        }
        switch (c.kind) {
            case CharCode::Kind::Ignored:
            case CharCode::Kind::Simple:
                break;
            case CharCode::Kind::Unprintable:
                addUnprintable(s, here, c);
                break;
            case CharCode::Kind::ExtraModifier:
                if (c.modifier != 0) addExtra(s, here, c);
                break;
            case CharCode::Kind::International:
            case CharCode::Kind::Flagged:
                if (c.extraLength > 0) addExtra(s, here, c);
                if (c.kind == CharCode::Kind::Flagged) s.flags.push_back(c.flag);
                break;
        }
    }
    key.push_back(kEndInline);

    trimTrailing(s.extra.bytes, 0x00, kExtraPlaceholder);
    key.insert(key.end(), s.extra.bytes.begin(), s.extra.bytes.end());
    const bool hasFlags = !s.flags.empty();
    const bool hasUnprintable = !s.unprintable.empty();
    if (hasFlags || hasUnprintable) {
        key.push_back(kEndInline);
        key.push_back(kEndInline);
        if (hasFlags) {
            writeFlags(key, s.flags);
            if (hasUnprintable) key.push_back(kFlagsBeforeUnprintable);
        }
        if (hasUnprintable) {
            key.push_back(kEndInline);
            key.insert(key.end(), s.unprintable.begin(), s.unprintable.end());
        }
    }

    if (!ascending) {
        key.push_back(kEndKey);
        for (std::size_t i = start; i < key.size(); ++i)
            key[i] = static_cast<std::uint8_t>(~key[i]);
    }
    key.push_back(kEndKey);
}

}  // namespace mdb
