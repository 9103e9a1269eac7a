// dataModule.h: the data module `TDM`, everything the program knows about the database.
//
// One instance per Connetti that finds the database file (see data_modules.h): its own connection
// `Con`, the two table datasets with their persistent fields, and the statement object `Q`, all on
// that connection. Creating an instance connects to nothing and opens no dataset.
//
// The fields are named after their dataset and the column name without blanks, and carry the
// column name, kind and size (in characters, for text) the program expects of the table.
//
// TDM, Con, TTestate, TDettaglioVoci, Q and DM keep the names of the office's earlier program, so
// that whoever knows that program finds them under the same names.
#pragma once

#include <string>

#include "data/connection.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/query.h"

namespace data {

class TDM {
public:
    explicit TDM(std::string name);
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // "DM", "DM_1", ...: unique among the application's data modules.
    const std::string& name() const { return name_; }

    // Not connected when created. Its initial string names a default database file that is never
    // used: Connetti always replaces the string before opening.
    Connection Con;

    // Table Testate, one record per tax document, in field order. Fixed names, keep.
    Field TTestateID{"ID", FieldKind::AutoIncrement};
    Field TTestateiddoc{"id doc", FieldKind::Integer};
    Field TTestatedatadoc{"data doc", FieldKind::DateTime};
    Field TTestatenumdoc{"num doc", FieldKind::Integer};
    Field TTestatecontribuente{"contribuente", FieldKind::WideText, 255};
    Field TTestateresidenza{"residenza", FieldKind::WideText, 255};
    Field TTestatedatanascita{"data nascita", FieldKind::WideText, 255};
    Field TTestateluogonascita{"luogo nascita", FieldKind::WideText, 255};
    Field TTestatecodicefiscale{"codice fiscale", FieldKind::WideText, 255};
    Field TTestateprovnascita{"prov nascita", FieldKind::WideText, 255};
    Field TTestatepartitaiva{"partita iva", FieldKind::WideText, 255};
    Field TTestateaddprov{"add prov", FieldKind::Float};
    Field TTestatetassa_tariffa{"tassa_tariffa", FieldKind::Float};
    Field TTestateadderario{"add erario", FieldKind::Float};
    Field TTestateaddexeca{"add ex eca", FieldKind::Float};
    Field TTestateinteressi{"interessi", FieldKind::Float};
    Field TTestatesanzioni{"sanzioni", FieldKind::Float};
    Field TTestateaddebiti_accrediti{"addebiti_accrediti", FieldKind::Float};
    Field TTestateserviziindivisibili{"servizi indivisibili", FieldKind::Float};
    Field TTestatespesespedizione{"spese spedizione", FieldKind::Float};
    Field TTestatealtrevoci{"altre voci", FieldKind::Float};
    Field TTestatearrotondamento{"arrotondamento", FieldKind::Float};
    Field TTestatetotaleimporto{"totale importo", FieldKind::Float};
    Field TTestateimponibilesoggettoiva{"imponibile soggetto iva", FieldKind::Float};
    Field TTestatetotaleimportodovuto{"totale importo dovuto", FieldKind::Float};
    Field TTestatecodicecatastale{"codice catastale", FieldKind::WideText, 255};
    Field TTestateiva{"iva", FieldKind::Float};

    // Table DettaglioVoci, one record per charged item of a document, in field order. Fixed
    // names, keep.
    Field TDettaglioVociID{"ID", FieldKind::AutoIncrement};
    Field TDettaglioVocicodutenza{"cod utenza", FieldKind::WideText, 50};
    Field TDettaglioVociiddoc{"id doc", FieldKind::Integer};
    Field TDettaglioVocicodposizione{"cod posizione", FieldKind::WideText, 50};
    Field TDettaglioVociaccessoutenza{"accesso utenza", FieldKind::WideText, 255};
    Field TDettaglioVocicategoria{"categoria", FieldKind::WideText, 180};
    Field TDettaglioVocides{"des", FieldKind::WideText, 100};
    Field TDettaglioVocitipovoce{"tipo voce", FieldKind::WideText, 50};
    Field TDettaglioVociquantita{"quantita", FieldKind::WideText, 30};
    Field TDettaglioVociumquantita{"um quantita", FieldKind::WideText, 30};
    Field TDettaglioVociprezzo{"prezzo", FieldKind::WideText, 25};
    Field TDettaglioVocidatainizio{"data inizio", FieldKind::WideText, 15};
    Field TDettaglioVocidatafine{"data fine", FieldKind::WideText, 15};
    Field TDettaglioVociimponibile{"imponibile", FieldKind::Float};
    Field TDettaglioVocitempo{"tempo", FieldKind::WideText, 255};
    Field TDettaglioVociumtempo{"um tempo", FieldKind::WideText, 50};
    Field TDettaglioVociperiodo{"periodo", FieldKind::WideText, 1};

    // "select * from Testate" and "select * from DettaglioVoci"; closed when created.
    Dataset TTestate;
    Dataset TDettaglioVoci;

    // The statement object; no statement at creation.
    Query Q;

private:
    std::string name_;
};

}  // namespace data

// The newest data module, or null until a Connetti first finds the database file. Set by
// data::DataModules::create; the only global of the program.
extern data::TDM* DM;
