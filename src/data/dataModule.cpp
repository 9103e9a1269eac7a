#include "data/dataModule.h"

#include "data/connection_string.h"

data::TDM* DM = nullptr;

namespace data {
namespace {

// Part of the module's definition, like a designer-time setting; never opened.
std::string defaultConnectionString() { return connectionStringFor("ruolo.mdb"); }

}  // namespace

TDM::TDM(std::string name) : Con(defaultConnectionString()), name_(std::move(name)) {}

}  // namespace data
