// csv_value.h: one value as the export prints it, in the shape mdb-export prints:
// null as nothing, Yes/No as 1/0, Currency with four decimals, Text, Memo, dates, binary
// data and replication ids in double quotes (a quote inside doubled), numbers bare.
#pragma once

#include <string>

#include "commands.h"
#include "mdb/value.h"

namespace tool {

std::string csvValue(const mdb::Value& value, const ExportOptions& options);
// A date in strftime `format`, to whole seconds.
std::string formatDate(mdb::DateTime date, const std::string& format);
// Currency units (1/10000) as a decimal with four places.
std::string formatCurrency(mdb::Currency value);

}  // namespace tool
