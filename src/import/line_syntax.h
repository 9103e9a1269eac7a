// line_syntax.h: normalising a record line and cutting it into column values.
//
// Input lines are written by spreadsheet exports as «="value";» per column. Normalising removes
// every «="» and then turns every «";» into «;», leaving «value;» per column; the closing quote of
// the last value, followed by the line end rather than a ";", stays. A byte 0 hides the rest of
// the line from normalising and from point removal (those searches stop there and the rest stays
// as it is), while the splitter sees the whole line.
#pragma once

#include <optional>
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

// Takes the columns of a line as read, one by one from the first: each is what normaliseLine
// followed by EstraiCampo would give. Columns in the usual form are cut out as they stand; from
// the first that is not, the rest of the line is normalised in place and split. The columns
// point into the line, which must outlive them.
class ColumnCutter {
public:
    explicit ColumnCutter(std::string& line);
    std::string_view next();

private:
    std::optional<std::string_view> nextUsualColumn();

    std::string& line_;
    size_t at_ = 0;  // where the next column starts
    bool normalised_ = false;
    std::string_view rest_;  // once normalised: what EstraiCampo has not taken
};

// `field` without any ".", for the columns that carry "." as thousands separator.
std::string removePoints(std::string_view field);

}  // namespace importer
