#include "data/roll_tables.h"

#include "mdb/create.h"

namespace data {
namespace {

using mdb::ColumnSchema;
using mdb::ColumnType;
using mdb::IndexSchema;

ColumnSchema autoNumber(std::string name) {
    return {.name = std::move(name), .type = ColumnType::Long, .autoNumber = true};
}
ColumnSchema integer(std::string name) {
    return {.name = std::move(name), .type = ColumnType::Long};
}
ColumnSchema floating(std::string name) {
    return {.name = std::move(name), .type = ColumnType::Double};
}
ColumnSchema dateTime(std::string name) {
    return {.name = std::move(name), .type = ColumnType::DateTime};
}
ColumnSchema wideText(std::string name, std::uint16_t size) {
    ColumnSchema c{
        .name = std::move(name), .type = ColumnType::Text, .size = size, .compressedUnicode = true};
    c.properties.required = false;
    c.properties.allowZeroLength = true;
    return c;
}

IndexSchema primaryKey(std::string column) {
    return mdb::indexSchema("PrimaryKey", {std::move(column)}, IndexSchema::Kind::PrimaryKey);
}
// Named after its column, as Access's AutoIndex names it.
IndexSchema plainIndex(const std::string& column) { return mdb::indexSchema(column, {column}); }

}  // namespace

mdb::TableSchema testateTable() {
    return {.name = "Testate",
            .columns = {autoNumber("ID"),
                        integer("id doc"),
                        dateTime("data doc"),
                        integer("num doc"),
                        wideText("contribuente", 255),
                        wideText("residenza", 255),
                        wideText("data nascita", 255),
                        wideText("luogo nascita", 255),
                        wideText("codice fiscale", 255),
                        wideText("prov nascita", 255),
                        wideText("partita iva", 255),
                        floating("add prov"),
                        floating("tassa_tariffa"),
                        floating("add erario"),
                        floating("add ex eca"),
                        floating("interessi"),
                        floating("sanzioni"),
                        floating("addebiti_accrediti"),
                        floating("servizi indivisibili"),
                        floating("spese spedizione"),
                        floating("altre voci"),
                        floating("arrotondamento"),
                        floating("totale importo"),
                        floating("imponibile soggetto iva"),
                        floating("totale importo dovuto"),
                        wideText("codice catastale", 255),
                        floating("iva")},
            .indexes = {primaryKey("ID"), plainIndex("id doc"), plainIndex("num doc")}};
}

mdb::TableSchema dettaglioVociTable() {
    return {
        .name = "DettaglioVoci",
        .columns = {autoNumber("ID"), wideText("cod utenza", 50), integer("id doc"),
                    wideText("cod posizione", 50), wideText("accesso utenza", 255),
                    wideText("categoria", 180), wideText("des", 100), wideText("tipo voce", 50),
                    wideText("quantita", 30), wideText("um quantita", 30), wideText("prezzo", 25),
                    wideText("data inizio", 15), wideText("data fine", 15), floating("imponibile"),
                    wideText("tempo", 255), wideText("um tempo", 50), wideText("periodo", 1)},
        .indexes = {primaryKey("ID"), plainIndex("id doc")}};
}

std::vector<mdb::TableSchema> rollTables() { return {testateTable(), dettaglioVociTable()}; }

void createRollDatabase(const std::string& path) { mdb::createDatabase(path, rollTables()); }

void addRollTables(const std::string& path) { mdb::createTables(path, rollTables()); }

}  // namespace data
