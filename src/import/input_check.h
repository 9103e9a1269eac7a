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
// Then, when the file has non-empty lines after its first but none holds a ";", throws
// UserError "Il file <path> non contiene righe separate da punto e virgola" (`path` as given).
void checkInputFile(const std::string& path, const ColumnLayout& layout, data::TDM& dm,
                    const LineProgress& progress = {});

}  // namespace importer
