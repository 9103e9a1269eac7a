#include "reports/database_roll_source.h"

#include <array>
#include <string>

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

}  // namespace

DatabaseRollSource::DatabaseRollSource(mdb::Database& database)
    : documents_(tableNamed(database, kDocumentsTable)),
      items_(tableNamed(database, kItemsTable)) {}

void DatabaseRollSource::readDocuments(const std::function<void(DocumentRow&&)>& take) {
    const mdb::Table& t = documents_;
    const std::size_t idDoc = requireColumn(t, "id doc", ColumnKind::Integer);
    const std::size_t date = requireColumn(t, "data doc", ColumnKind::Date);
    const std::size_t number = requireColumn(t, "num doc", ColumnKind::Integer);
    const std::size_t taxpayer = requireColumn(t, "contribuente", ColumnKind::Text);
    const std::size_t residence = requireColumn(t, "residenza", ColumnKind::Text);
    const std::size_t birthDate = requireColumn(t, "data nascita", ColumnKind::Text);
    const std::size_t birthPlace = requireColumn(t, "luogo nascita", ColumnKind::Text);
    const std::size_t taxCode = requireColumn(t, "codice fiscale", ColumnKind::Text);
    const std::size_t birthProvince = requireColumn(t, "prov nascita", ColumnKind::Text);
    const std::size_t vatNumber = requireColumn(t, "partita iva", ColumnKind::Text);
    const std::size_t totalDue = requireColumn(t, "totale importo dovuto", ColumnKind::Number);
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
    std::array<std::size_t, kAmountCount> amounts{};
    for (std::size_t i = 0; i < kAmountCount; ++i)
        amounts[i] = requireColumn(t, amountColumns[i], ColumnKind::Number);

    mdb::Table::Cursor cursor = t.scan();
    while (cursor.next()) {
        DocumentRow row;
        row.idDoc = integerOf(cursor.value(idDoc));
        row.date = dateOf(cursor.value(date));
        row.number = integerOf(cursor.value(number));
        row.taxpayer = textOf(cursor.value(taxpayer));
        row.residence = textOf(cursor.value(residence));
        row.birthDate = textOf(cursor.value(birthDate));
        row.birthPlace = textOf(cursor.value(birthPlace));
        row.taxCode = textOf(cursor.value(taxCode));
        row.birthProvince = textOf(cursor.value(birthProvince));
        row.vatNumber = textOf(cursor.value(vatNumber));
        for (std::size_t i = 0; i < kAmountCount; ++i)
            row.amounts[i] = numberOf(cursor.value(amounts[i]));
        row.totalDue = numberOf(cursor.value(totalDue));
        take(std::move(row));
    }
}

void DatabaseRollSource::readItems(const std::function<void(ItemRow&&)>& take) {
    const mdb::Table& t = items_;
    const std::size_t idDoc = requireColumn(t, "id doc", ColumnKind::Integer);
    const std::size_t category = requireColumn(t, "categoria", ColumnKind::Text);
    const std::size_t description = requireColumn(t, "des", ColumnKind::Text);
    const std::size_t type = requireColumn(t, "tipo voce", ColumnKind::Text);
    const std::size_t quantity = requireColumn(t, "quantita", ColumnKind::Text);
    const std::size_t unit = requireColumn(t, "um quantita", ColumnKind::Text);
    const std::size_t price = requireColumn(t, "prezzo", ColumnKind::Text);
    const std::size_t start = requireColumn(t, "data inizio", ColumnKind::Text);
    const std::size_t end = requireColumn(t, "data fine", ColumnKind::Text);
    const std::size_t taxable = requireColumn(t, "imponibile", ColumnKind::Number);

    mdb::Table::Cursor cursor = t.scan();
    while (cursor.next()) {
        ItemRow row;
        row.idDoc = integerOf(cursor.value(idDoc));
        row.category = textOf(cursor.value(category));
        row.description = textOf(cursor.value(description));
        row.type = textOf(cursor.value(type));
        row.quantity = textOf(cursor.value(quantity));
        row.unit = textOf(cursor.value(unit));
        row.price = textOf(cursor.value(price));
        row.start = textOf(cursor.value(start));
        row.end = textOf(cursor.value(end));
        row.taxable = numberOf(cursor.value(taxable));
        take(std::move(row));
    }
}

}  // namespace reports
