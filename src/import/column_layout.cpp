#include "import/column_layout.h"

#include <stdexcept>
#include <string>

#include "import/line_syntax.h"

namespace importer {

ColumnLayout::ColumnLayout(int lastColumn, std::vector<ColumnMapping> mappings)
    : lastColumn_(lastColumn),
      mappings_(std::move(mappings)),
      mappingOf_(static_cast<std::size_t>(lastColumn) + 1, -1) {
    int previous = 0;
    for (std::size_t i = 0; i < mappings_.size(); ++i) {
        const int column = mappings_[i].column;
        if (column <= previous || column > lastColumn) {
            throw std::invalid_argument("column layout out of order");
        }
        mappingOf_[static_cast<std::size_t>(column)] = static_cast<int>(i);
        previous = column;
    }
}

std::vector<data::Field*> ColumnLayout::fieldsOf(data::TDM& dm) const {
    std::vector<data::Field*> fields;
    fields.reserve(mappings_.size());
    for (const ColumnMapping& m : mappings_) fields.push_back(&(dm.*m.field));
    return fields;
}

void ColumnLayout::fill(std::string& line, std::span<data::Field* const> targets) const {
    if (targets.size() != mappings_.size()) throw std::invalid_argument("wrong number of fields");
    ColumnCutter columns(line);
    for (int column = 1; column <= lastColumn_; ++column) {
        const std::string_view text = columns.next();
        const int m = mappingOf_[static_cast<std::size_t>(column)];
        if (m < 0) continue;
        const auto i = static_cast<std::size_t>(m);
        // Most columns hold no point: they are assigned as they stand, without a copy.
        if (mappings_[i].removePoints && text.find('.') != std::string_view::npos) {
            targets[i]->assignText(removePoints(text));
        } else {
            targets[i]->assignText(text);
        }
    }
}

}  // namespace importer
