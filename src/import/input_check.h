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

}  // namespace importer
