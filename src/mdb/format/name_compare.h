// name_compare.h: object and column names compare without regard to case, as Jet compares them.
//
// Case folding covers ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic capitals, which is
// what names in Western and Eastern European databases use; other characters compare exactly.
#pragma once

#include <string>
#include <string_view>

namespace mdb {

std::string foldCase(std::string_view utf8);
bool sameName(std::string_view a, std::string_view b);

}  // namespace mdb
