// application_title.h: the caption of the program's message boxes.
#pragma once

#include <string>

namespace data {

// The program never sets a title of its own, so it is derived from the executable's path: the
// file name without its folder, cut at the first ".", every character after the first in lower
// case (ASCII and Latin-1 letters; the path is UTF-8). "/opt/x/BrelVano.Bin" gives "Brelvano".
std::string applicationTitle(const std::string& executablePath);

}  // namespace data
