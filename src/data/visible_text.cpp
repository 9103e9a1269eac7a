#include "data/visible_text.h"

#include "data/code_page.h"
#include "data/column_value.h"

namespace data {

std::string visibleText(std::string_view text, int codePage) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    constexpr char16_t kControlPictures = 0x2400;
    std::u16string shown;
    shown.reserve(text.size());
    for (char16_t c : CodePage::get(codePage).toUtf16(text)) {
        if (c < 0x20) {
            shown += static_cast<char16_t>(kControlPictures + c);
        } else if (c == 0x7F) {
            shown += static_cast<char16_t>(kControlPictures + 0x21);
        } else if (c >= 0x80 && c <= 0x9F) {
            shown += {u'<', static_cast<char16_t>(kHex[c >> 4]),
                      static_cast<char16_t>(kHex[c & 0xF]), u'>'};
        } else {
            shown += c;
        }
    }
    return utf8Of(shown);
}

}  // namespace data
