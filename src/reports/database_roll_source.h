// database_roll_source.h: the roll's rows read from an open database through the engine.
//
// Plain C++: nothing here knows how a report looks. Columns are found and read as
// column_reader.h describes.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "mdb/database.h"
#include "reports/roll_source.h"

namespace reports {

class DatabaseRollSource : public RowByRowSource {
public:
    // Throws data::UserError naming the table when `Testate` or `DettaglioVoci` is missing.
    // `database` must outlive this source.
    explicit DatabaseRollSource(mdb::Database& database);
    // The same, keeping `database` open as long as the source lives.
    explicit DatabaseRollSource(std::unique_ptr<mdb::Database> database);
    ~DatabaseRollSource() override;

    // All of these throw data::UserError naming a missing or unsuitable column before reading a
    // row, and mdb::Error when the file is damaged.
    void readDocuments(const std::function<void(DocumentRow&&)>& take) override;
    void readItems(const std::function<void(ItemRow&&)>& take) override;
    // Rows are found again where the ids were read; one gone since (another program changed the
    // table) throws data::UserError.
    Ids documentIds() override;
    Ids itemIds() override;
    DocumentRow document(std::size_t row) override;
    ItemRow item(std::size_t row) override;

private:
    struct DocumentColumns {
        std::size_t idDoc, date, number, taxpayer, residence, birthDate, birthPlace, taxCode,
            birthProvince, vatNumber, totalDue;
        std::array<std::size_t, kAmountCount> amounts;
    };
    struct ItemColumns {
        std::size_t idDoc, category, description, type, quantity, unit, price, start, end, taxable;
    };
    const DocumentColumns& documentColumns();
    const ItemColumns& itemColumns();

    std::unique_ptr<mdb::Database> owned_;  // none when the caller keeps the database
    mdb::Table& documents_;
    mdb::Table& items_;
    std::optional<DocumentColumns> documentColumns_;
    std::optional<ItemColumns> itemColumns_;
    std::vector<mdb::RowPosition> documentsAt_, itemsAt_;  // where documentIds(), itemIds() read
};

}  // namespace reports
