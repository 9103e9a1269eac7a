// like_pattern.h: Access's Like operator.
//
//   *        any run of characters, none included
//   ?        any one character
//   #        any one digit 0-9
//   [abc]    one of the characters listed; [a-z] a range; [!abc] none of them
//   [*] [?] [#] [[]    the character itself; a ] outside brackets is itself
// Letters match without regard to case, as Jet compares text. Characters are Unicode code
// points, so "?" matches "è" as one character.
#pragma once

#include <string_view>

namespace mdb {

// Whether `text` (UTF-8) matches `pattern` whole. Throws Error (Unsupported) "Invalid pattern
// string" for a [ without its ].
bool likeMatches(std::string_view text, std::string_view pattern);

}  // namespace mdb
