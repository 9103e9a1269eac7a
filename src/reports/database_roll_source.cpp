#include "reports/database_roll_source.h"

#include <string>
#include <utility>

#include "data/user_error.h"
#include "reports/column_reader.h"
#include "reports/report_texts.h"

namespace reports {
namespace {

constexpr const char* kDocumentsTable = "Testate";
constexpr const char* kItemsTable = "DettaglioVoci";

mdb::Table& tableNamed(mdb::Database& database, const char* name) {
    if (!database.hasTable(name)) throw data::UserError(msg::missingTable(name));
    return database.table(name);
}

// `value(column)` gives a column's value of the row being read, from a scan or a row read alone.
template <class Columns, class ValueOf>
DocumentRow documentFrom(const Columns& c, ValueOf&& value) {
    DocumentRow row;
    row.idDoc = integerOf(value(c.idDoc));
    row.date = dateOf(value(c.date));
    row.number = integerOf(value(c.number));
    row.taxpayer = textOf(value(c.taxpayer));
    row.residence = textOf(value(c.residence));
    row.birthDate = textOf(value(c.birthDate));
    row.birthPlace = textOf(value(c.birthPlace));
    row.taxCode = textOf(value(c.taxCode));
    row.birthProvince = textOf(value(c.birthProvince));
    row.vatNumber = textOf(value(c.vatNumber));
    for (std::size_t i = 0; i < kAmountCount; ++i) row.amounts[i] = numberOf(value(c.amounts[i]));
    row.totalDue = numberOf(value(c.totalDue));
    return row;
}

template <class Columns, class ValueOf>
ItemRow itemFrom(const Columns& c, ValueOf&& value) {
    ItemRow row;
    row.idDoc = integerOf(value(c.idDoc));
    row.category = textOf(value(c.category));
    row.description = textOf(value(c.description));
    row.type = textOf(value(c.type));
    row.quantity = textOf(value(c.quantity));
    row.unit = textOf(value(c.unit));
    row.price = textOf(value(c.price));
    row.start = textOf(value(c.start));
    row.end = textOf(value(c.end));
    row.taxable = numberOf(value(c.taxable));
    return row;
}

// Every row's "id doc" in table order, and where each row is.
RowByRowSource::Ids idsOf(const mdb::Table& table, std::size_t idDoc,
                          std::vector<mdb::RowPosition>& positions) {
    RowByRowSource::Ids ids;
    positions.clear();
    mdb::Table::Cursor cursor = table.scan();
    while (cursor.next()) {
        ids.push_back(integerOf(cursor.value(idDoc)));
        positions.push_back(cursor.position());
    }
    return ids;
}

std::vector<mdb::Value> rowAt(const mdb::Table& table,
                              const std::vector<mdb::RowPosition>& positions, std::size_t row) {
    std::optional<std::vector<mdb::Value>> values = table.readRow(positions.at(row));
    if (!values) throw data::UserError(msg::tableChangedWhileRead(table.name()));
    return std::move(*values);
}

}  // namespace

DatabaseRollSource::DatabaseRollSource(mdb::Database& database)
    : documents_(tableNamed(database, kDocumentsTable)),
      items_(tableNamed(database, kItemsTable)) {}

DatabaseRollSource::DatabaseRollSource(std::unique_ptr<mdb::Database> database)
    : owned_(std::move(database)),
      documents_(tableNamed(*owned_, kDocumentsTable)),
      items_(tableNamed(*owned_, kItemsTable)) {}

DatabaseRollSource::~DatabaseRollSource() = default;

const DatabaseRollSource::DocumentColumns& DatabaseRollSource::documentColumns() {
    if (documentColumns_) return *documentColumns_;
    const mdb::Table& t = documents_;
    DocumentColumns c{};
    c.idDoc = requireColumn(t, "id doc", ColumnKind::Integer);
    c.date = requireColumn(t, "data doc", ColumnKind::Date);
    c.number = requireColumn(t, "num doc", ColumnKind::Integer);
    c.taxpayer = requireColumn(t, "contribuente", ColumnKind::Text);
    c.residence = requireColumn(t, "residenza", ColumnKind::Text);
    c.birthDate = requireColumn(t, "data nascita", ColumnKind::Text);
    c.birthPlace = requireColumn(t, "luogo nascita", ColumnKind::Text);
    c.taxCode = requireColumn(t, "codice fiscale", ColumnKind::Text);
    c.birthProvince = requireColumn(t, "prov nascita", ColumnKind::Text);
    c.vatNumber = requireColumn(t, "partita iva", ColumnKind::Text);
    c.totalDue = requireColumn(t, "totale importo dovuto", ColumnKind::Number);
    // In the order of enum Amount.
    const char* const amountColumns[kAmountCount] = {"add prov",
                                                     "tassa_tariffa",
                                                     "add erario",
                                                     "add ex eca",
                                                     "interessi",
                                                     "sanzioni",
                                                     "addebiti_accrediti",
                                                     "servizi indivisibili",
                                                     "spese spedizione",
                                                     "altre voci",
                                                     "arrotondamento",
                                                     "totale importo",
                                                     "imponibile soggetto iva",
                                                     "iva"};
    for (std::size_t i = 0; i < kAmountCount; ++i)
        c.amounts[i] = requireColumn(t, amountColumns[i], ColumnKind::Number);
    return documentColumns_.emplace(c);
}

const DatabaseRollSource::ItemColumns& DatabaseRollSource::itemColumns() {
    if (itemColumns_) return *itemColumns_;
    const mdb::Table& t = items_;
    ItemColumns c{};
    c.idDoc = requireColumn(t, "id doc", ColumnKind::Integer);
    c.category = requireColumn(t, "categoria", ColumnKind::Text);
    c.description = requireColumn(t, "des", ColumnKind::Text);
    c.type = requireColumn(t, "tipo voce", ColumnKind::Text);
    c.quantity = requireColumn(t, "quantita", ColumnKind::Text);
    c.unit = requireColumn(t, "um quantita", ColumnKind::Text);
    c.price = requireColumn(t, "prezzo", ColumnKind::Text);
    c.start = requireColumn(t, "data inizio", ColumnKind::Text);
    c.end = requireColumn(t, "data fine", ColumnKind::Text);
    c.taxable = requireColumn(t, "imponibile", ColumnKind::Number);
    return itemColumns_.emplace(c);
}

void DatabaseRollSource::readDocuments(const std::function<void(DocumentRow&&)>& take) {
    const DocumentColumns& c = documentColumns();
    mdb::Table::Cursor cursor = documents_.scan();
    while (cursor.next())
        take(documentFrom(c, [&](std::size_t column) { return cursor.value(column); }));
}

void DatabaseRollSource::readItems(const std::function<void(ItemRow&&)>& take) {
    const ItemColumns& c = itemColumns();
    mdb::Table::Cursor cursor = items_.scan();
    while (cursor.next())
        take(itemFrom(c, [&](std::size_t column) { return cursor.value(column); }));
}

RowByRowSource::Ids DatabaseRollSource::documentIds() {
    return idsOf(documents_, documentColumns().idDoc, documentsAt_);
}

RowByRowSource::Ids DatabaseRollSource::itemIds() {
    return idsOf(items_, itemColumns().idDoc, itemsAt_);
}

DocumentRow DatabaseRollSource::document(std::size_t row) {
    std::vector<mdb::Value> values = rowAt(documents_, documentsAt_, row);
    return documentFrom(documentColumns(),
                        [&](std::size_t column) { return std::move(values.at(column)); });
}

ItemRow DatabaseRollSource::item(std::size_t row) {
    std::vector<mdb::Value> values = rowAt(items_, itemsAt_, row);
    return itemFrom(itemColumns(),
                    [&](std::size_t column) { return std::move(values.at(column)); });
}

}  // namespace reports
