#include "data/application_title.h"

#include <cstddef>

namespace data {
namespace {

// UTF-8 "À".."Þ" (C3 80..C3 9E, except "×" C3 97) lower-case by adding 0x20 to the second byte.
bool isLatin1Upper(unsigned char lead, unsigned char next) {
    return lead == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97;
}

std::size_t firstCharLength(const std::string& text) {
    std::size_t n = text.empty() ? 0 : 1;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
    return n;
}

}  // namespace

std::string applicationTitle(const std::string& executablePath) {
    const auto slash = executablePath.rfind('/');
    std::string title =
        slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
    title = title.substr(0, title.find('.'));
    for (std::size_t i = firstCharLength(title); i < title.size(); ++i) {
        const auto c = static_cast<unsigned char>(title[i]);
        if (c >= 'A' && c <= 'Z') {
            title[i] = static_cast<char>(c + ('a' - 'A'));
        } else if (i + 1 < title.size() &&
                   isLatin1Upper(c, static_cast<unsigned char>(title[i + 1]))) {
            title[i + 1] = static_cast<char>(static_cast<unsigned char>(title[i + 1]) + 0x20);
            ++i;
        }
    }
    return title;
}

}  // namespace data
