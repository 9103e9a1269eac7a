// visible_text.h: a field text from an input file as an error message shows it.
//
// The conversion errors name the text they could not read. That text is 8-bit, in the regional
// ANSI code page, and may hold bytes no one can see or that cut a message short (the NULs of a
// UTF-16 export, a binary file picked by mistake). Messages are UTF-8, so the text is converted
// from its code page like every text stored from the files, and each character that shows
// nothing becomes a visible symbol: the C0 controls and DEL their Unicode control pictures (NUL
// "␀", tab "␉", DEL "␡"), the C1 codes a code page leaves undefined their byte as «<81>».
#pragma once

#include <string>
#include <string_view>

namespace data {

std::string visibleText(std::string_view text, int codePage);

}  // namespace data
