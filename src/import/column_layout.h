// column_layout.h: which column of an input line fills which field of a data module's record.
//
// Columns are numbered from 1 in the order EstraiCampo takes them from the normalised line. A
// record is filled in one pass from column 1 to the layout's last column: each column is taken
// in order, loses its points where the layout says so, and is assigned at once to its field,
// which converts it by its kind. Columns the layout does not map are taken and thrown away;
// columns after the last are never looked at.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/dataModule.h"
#include "data/field.h"

namespace importer {

struct ColumnMapping {
    int column;                     // from 1
    data::Field data::TDM::*field;  // the field it fills
    bool removePoints;              // "." is a thousands separator here: remove every one
};

class ColumnLayout {
public:
    // REQUIRES: columns rising, between 1 and lastColumn.
    ColumnLayout(int lastColumn, std::vector<ColumnMapping> mappings);

    int lastColumn() const { return lastColumn_; }
    const std::vector<ColumnMapping>& mappings() const { return mappings_; }

    // The fields of `dm` the mapped columns fill, in mapping order.
    std::vector<data::Field*> fieldsOf(data::TDM& dm) const;

    // Fills targets[i] from mapping i's column of `line`, a line as read, which may be
    // normalised in place (line_syntax.h). Throws the first conversion error, with the fields of
    // the earlier columns already assigned.
    void fill(std::string& line, std::span<data::Field* const> targets) const;

private:
    int lastColumn_;
    std::vector<ColumnMapping> mappings_;
    std::vector<int> mappingOf_;  // per column (index 0 unused): its mapping's index, or -1
};

}  // namespace importer
