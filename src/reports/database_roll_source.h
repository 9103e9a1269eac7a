// database_roll_source.h: the roll's rows read from an open database through the engine.
//
// Plain C++: nothing here knows how a report looks. Columns are found and read as
// column_reader.h describes.
#pragma once

#include "mdb/database.h"
#include "reports/roll_source.h"

namespace reports {

class DatabaseRollSource : public RollSource {
public:
    // Throws data::UserError naming the table when `Testate` or `DettaglioVoci` is missing.
    // `database` must outlive this source.
    explicit DatabaseRollSource(mdb::Database& database);

    // Both throw data::UserError naming a missing or unsuitable column before reading a row,
    // and mdb::Error when the file is damaged.
    void readDocuments(const std::function<void(DocumentRow&&)>& take) override;
    void readItems(const std::function<void(ItemRow&&)>& take) override;

private:
    mdb::Table& documents_;
    mdb::Table& items_;
};

}  // namespace reports
