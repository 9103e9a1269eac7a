#include "data/dataModule.h"

#include "data/connection_string.h"

data::TDM* DM = nullptr;

namespace data {
namespace {

// Part of the module's definition, like a designer-time setting; never opened.
std::string defaultConnectionString() { return connectionStringFor("ruolo.mdb"); }

}  // namespace

TDM::TDM(std::string name)
    : Con(defaultConnectionString()),
      TTestate("TTestate", Con, "Testate",
               {&TTestateID,
                &TTestateiddoc,
                &TTestatedatadoc,
                &TTestatenumdoc,
                &TTestatecontribuente,
                &TTestateresidenza,
                &TTestatedatanascita,
                &TTestateluogonascita,
                &TTestatecodicefiscale,
                &TTestateprovnascita,
                &TTestatepartitaiva,
                &TTestateaddprov,
                &TTestatetassa_tariffa,
                &TTestateadderario,
                &TTestateaddexeca,
                &TTestateinteressi,
                &TTestatesanzioni,
                &TTestateaddebiti_accrediti,
                &TTestateserviziindivisibili,
                &TTestatespesespedizione,
                &TTestatealtrevoci,
                &TTestatearrotondamento,
                &TTestatetotaleimporto,
                &TTestateimponibilesoggettoiva,
                &TTestatetotaleimportodovuto,
                &TTestatecodicecatastale,
                &TTestateiva}),
      TDettaglioVoci("TDettaglioVoci", Con, "DettaglioVoci",
                     {&TDettaglioVociID, &TDettaglioVocicodutenza, &TDettaglioVociiddoc,
                      &TDettaglioVocicodposizione, &TDettaglioVociaccessoutenza,
                      &TDettaglioVocicategoria, &TDettaglioVocides, &TDettaglioVocitipovoce,
                      &TDettaglioVociquantita, &TDettaglioVociumquantita, &TDettaglioVociprezzo,
                      &TDettaglioVocidatainizio, &TDettaglioVocidatafine, &TDettaglioVociimponibile,
                      &TDettaglioVocitempo, &TDettaglioVociumtempo, &TDettaglioVociperiodo}),
      Q(Con),
      name_(std::move(name)) {}

}  // namespace data
