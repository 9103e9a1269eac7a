#include "data/code_page.h"

#include <memory>
#include <optional>
#include <stdexcept>

#include "platform/code_page.h"

namespace data {

namespace {

constexpr int kFirstCodePage = 1250;
constexpr int kLastCodePage = 1258;

bool isSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

bool CodePage::isSupported(int number) {
    return number >= kFirstCodePage && number <= kLastCodePage;
}

const CodePage& CodePage::get(int number) {
    if (!isSupported(number)) {
        throw std::invalid_argument("unsupported code page " + std::to_string(number));
    }
    // Built on first use, all at once: nine small tables, thread-safe through the static.
    static const std::array<std::unique_ptr<CodePage>, kLastCodePage - kFirstCodePage + 1> pages =
        [] {
            std::array<std::unique_ptr<CodePage>, kLastCodePage - kFirstCodePage + 1> all;
            for (int n = kFirstCodePage; n <= kLastCodePage; ++n) {
                all[n - kFirstCodePage] = std::unique_ptr<CodePage>(new CodePage(n));
            }
            return all;
        }();
    return *pages[number - kFirstCodePage];
}

CodePage::CodePage(int number) : number_(number), table_(platform::CodePageTable::find(number)) {
    const std::string name = "CP" + std::to_string(number);
    if (table_ == nullptr) throw std::runtime_error("the system cannot convert from " + name);
    for (int b = 0; b < 256; ++b) {
        if (!table_->defined(static_cast<unsigned char>(b)))
            throw std::runtime_error(name + ": no character for byte " + std::to_string(b));
    }
}

std::u16string CodePage::toUtf16(std::string_view text) const {
    std::u16string result;
    toUtf16(text, result);
    return result;
}

void CodePage::toUtf16(std::string_view text, std::u16string& out) const {
    out.resize(text.size());
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.data());
    char16_t* to = out.data();  // not out[i], which reloads the string's pointer every time
    for (size_t i = 0; i < text.size(); ++i) to[i] = table_->character(in[i]);
}

std::string CodePage::fromUtf16(std::u16string_view text) const {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        std::optional<unsigned char> byte;
        if (isSurrogate(unit)) {
            if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) ++i;
        } else {
            byte = table_->byteOf(unit);
        }
        result += static_cast<char>(byte.value_or('?'));
    }
    return result;
}

}  // namespace data
