// line_syntax.h: normalising a record line and cutting it into column values.
//
// Input lines are written by spreadsheet exports as «="value";» per column. Normalising removes
// every «="» and then turns every «";» into «;», leaving «value;» per column; the closing quote of
// the last value, followed by the line end rather than a ";", stays. A byte 0 hides the rest of
// the line from normalising and from point removal (those searches stop there and the rest stays
// as it is), while the splitter sees the whole line.
#pragma once

#include <string>
#include <string_view>

namespace importer {

// Normalises `line` in place: first removes every «="» (left to right, non-overlapping), then
// replaces every «";» by «;». Each step scans once; what a removal joins is not scanned again.
void normaliseLine(std::string& line);

// Takes the next column from the front of `line`: the text before the first ";", the buffer then
// keeping everything after that ";". With no ";" left it returns the empty text and leaves the
// buffer unchanged, so the text after the last ";" is never delivered. Named as in the office's
// earlier program, whose column splitting this is.
std::string_view EstraiCampo(std::string_view& line);

// `field` without any ".", for the columns that carry "." as thousands separator.
std::string removePoints(std::string_view field);

}  // namespace importer
