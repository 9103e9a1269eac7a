// roll_rows.h: one row of each of the roll's two tables, as the reports read them.
//
// `Testate` holds one row per tax document, `DettaglioVoci` one row per charged item; both carry
// "id doc", which ties an item to its document. Null values stay null (std::nullopt or an empty
// text): a report shows only what the table holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace reports {

struct Date {
    int year = 1899, month = 12, day = 30;
    bool operator==(const Date&) const = default;
};

// The amount columns of `Testate` a document shows when they are not null, in table order.
// "totale importo dovuto" is apart: every document shows its total due.
enum class Amount : std::size_t {
    ProvincialSurcharge,  // "add prov"
    Tariff,               // "tassa_tariffa"
    TreasurySurcharge,    // "add erario"
    ExEcaSurcharge,       // "add ex eca"
    Interest,             // "interessi"
    Penalties,            // "sanzioni"
    DebitsCredits,        // "addebiti_accrediti"
    IndivisibleServices,  // "servizi indivisibili"
    Postage,              // "spese spedizione"
    Other,                // "altre voci"
    Rounding,             // "arrotondamento"
    Total,                // "totale importo"
    VatTaxable,           // "imponibile soggetto iva"
    Vat,                  // "iva"
};
inline constexpr std::size_t kAmountCount = 14;

struct DocumentRow {
    std::optional<std::int32_t> idDoc;   // "id doc"
    std::optional<Date> date;            // "data doc"
    std::optional<std::int32_t> number;  // "num doc"
    std::string taxpayer;                // "contribuente"
    std::string residence;               // "residenza"
    std::string birthDate;               // "data nascita" (text, as stored)
    std::string birthPlace;              // "luogo nascita"
    std::string taxCode;                 // "codice fiscale"
    std::string birthProvince;           // "prov nascita"
    std::string vatNumber;               // "partita iva"
    std::array<std::optional<double>, kAmountCount> amounts;
    std::optional<double> totalDue;  // "totale importo dovuto"

    std::optional<double>& amount(Amount a) { return amounts[static_cast<std::size_t>(a)]; }
    const std::optional<double>& amount(Amount a) const {
        return amounts[static_cast<std::size_t>(a)];
    }
};

// Quantities, prices and period dates are text in the table and are shown as stored.
struct ItemRow {
    std::optional<std::int32_t> idDoc;  // "id doc"
    std::string category;               // "categoria"
    std::string description;            // "des"
    std::string type;                   // "tipo voce"
    std::string quantity;               // "quantita"
    std::string unit;                   // "um quantita"
    std::string price;                  // "prezzo"
    std::string start;                  // "data inizio"
    std::string end;                    // "data fine"
    std::optional<double> taxable;      // "imponibile"
};

}  // namespace reports
