// input_check.h: reading an input file the way the import will, before anything is deleted.
//
// The check reads every line with the import's reader, normalisation and column layout, and
// converts every mapped column whose conversion can fail (integers, floats, dates; text takes
// anything) with a scratch copy of its field (same name, kind and size), so it meets exactly the
// errors the import would meet, in the same order, and writes nothing. The file is released when
// the check ends or fails.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "data/dataModule.h"
#include "import/column_layout.h"

namespace importer {

// Called after each line read: lines read so far (the first included), bytes taken, file size.
using LineProgress = std::function<void(std::int64_t lines, std::int64_t bytes, std::int64_t size)>;

// Throws the first error the import of `path` would raise: an input-file error, or the
// conversion error of the first line (in line order) holding a text its field cannot read.
// Refuses a file that cannot be a roll, whose import would only empty a table (`path` as given
// in the messages):
//   - when its first non-empty line after the title row holds no ";", at that line:
//     UserError "Il file <path> non contiene righe separate da punto e virgola";
//   - when it has no non-empty line after the title row (an empty file, a title row alone, a
//     file with no line feed): UserError "Il file <path> non contiene righe di dati".
// Empty lines after the first data line are no fault: the import skips them.
void checkInputFile(const std::string& path, const ColumnLayout& layout, data::TDM& dm,
                    const LineProgress& progress = {});

// Checks the lines of `path` whose first byte lies in [from, to), as part of a check of the whole
// file split at those offsets; the part from 0 reads the title row and applies the rules of the
// first data line. `progress` counts the part's own lines and bytes. Returns whether the file
// ended (an end-of-file mark, or its last byte) before `to`: then no later part is in the file.
// Throws what checkInputFile throws for those lines, except that a line number in a message
// counts from the part's first line; a part that throws therefore says only that the file has an
// error: checkInputFile says which.
bool checkInputFilePart(const std::string& path, const ColumnLayout& layout, data::TDM& dm,
                        std::int64_t from, std::int64_t to, const LineProgress& progress = {});

}  // namespace importer
