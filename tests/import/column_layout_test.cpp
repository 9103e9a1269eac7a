// The header and detail column maps: which column reaches which field, point removal, the
// columns never delivered, the conversion errors, and the detail acceptance rule.
#include "import/column_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/dataModule.h"
#include "data/user_error.h"
#include "import/detail_layout.h"
#include "import/header_layout.h"
#include "import/line_syntax.h"
#include "import/roll_lines.h"

namespace {

using data::FieldValue;
using testing::StrEq;
using testing::ThrowsMessage;
using testing_support::exportLine;

// Fields shaped like the data module's, free of any dataset, filled through a layout.
class Record {
public:
    explicit Record(const importer::ColumnLayout& layout) : layout_(layout) {
        data::TDM dm("DM");
        for (const data::Field* f : layout.fieldsOf(dm)) {
            owned_.push_back(std::make_unique<data::Field>(f->name(), f->kind(), f->size()));
            fields_.push_back(owned_.back().get());
        }
    }
    void fill(std::string line) { layout_.fill(line, fields_); }
    const data::Field& operator[](const std::string& column) const {
        for (const data::Field* f : fields_) {
            if (f->name() == column) return *f;
        }
        throw std::out_of_range(column);
    }
    std::u16string text(const std::string& column) const {
        return std::get<std::u16string>((*this)[column].value());
    }
    double number(const std::string& column) const {
        return std::get<double>((*this)[column].value());
    }

private:
    const importer::ColumnLayout& layout_;
    std::vector<std::unique_ptr<data::Field>> owned_;
    std::vector<data::Field*> fields_;
};

class LayoutTest : public testing::Test {
protected:
    testing_support::ItalianSettings italian_;
};

TEST_F(LayoutTest, HeaderColumnsReachTheirFieldsInTheFilesOrder) {
    std::map<int, std::string> columns;
    for (int c = 1; c <= 60; ++c) columns[c] = "c" + std::to_string(c);
    columns[1] = "1001";
    columns[2] = "7";
    columns[3] = "31/12/2020";
    for (int c = 44; c <= 56; ++c) columns[c] = std::to_string(c) + ",5";
    Record r(importer::headerLayout());
    r.fill(exportLine(columns, 60));
    EXPECT_EQ(r["id doc"].value(), FieldValue(std::int32_t{1001}));
    EXPECT_EQ(r["num doc"].value(), FieldValue(std::int32_t{7}));
    EXPECT_EQ(r["data doc"].value(),
              FieldValue(data::DateTime{testing_support::daysOf(2020, 12, 31)}));
    const std::pair<const char*, int> texts[] = {
        {"contribuente", 17}, {"residenza", 18},      {"data nascita", 21}, {"luogo nascita", 22},
        {"prov nascita", 23}, {"codice fiscale", 24}, {"partita iva", 25},
    };
    for (const auto& [name, column] : texts) {
        SCOPED_TRACE(name);
        EXPECT_EQ(r[name].readText(), "c" + std::to_string(column));
    }
    const std::pair<const char*, int> amounts[] = {
        {"tassa_tariffa", 44},
        {"add prov", 45},
        {"add erario", 46},
        {"add ex eca", 47},
        {"interessi", 48},
        {"sanzioni", 49},
        {"addebiti_accrediti", 50},
        {"spese spedizione", 51},
        {"servizi indivisibili", 52},
        {"altre voci", 53},
        {"totale importo", 54},
        {"arrotondamento", 55},
        {"totale importo dovuto", 56},
    };
    for (const auto& [name, column] : amounts) {
        SCOPED_TRACE(name);
        EXPECT_EQ(r.number(name), column + 0.5);
    }
}

TEST_F(LayoutTest, HeaderAmountsLoseTheirPointsAndTextsKeepThem) {
    Record r(importer::headerLayout());
    r.fill(exportLine({{17, "S.N.C. Rossi"}, {44, "1.234,50"}, {56, "1.000.000,01"}}, 56));
    EXPECT_EQ(r.text("contribuente"), u"S.N.C. Rossi");
    EXPECT_EQ(r.number("tassa_tariffa"), 1234.5);
    EXPECT_EQ(r.number("totale importo dovuto"), 1000000.01);
}

TEST_F(LayoutTest, ColumnsNotDeliveredLeaveNumbersNullAndTextsEmpty) {
    Record full(importer::headerLayout());
    // Exactly 56 columns and no ";" after the last: column 56 is never delivered.
    full.fill(exportLine({{1, "5"}, {55, "0,4"}, {56, "9,99"}}, 56, false));
    EXPECT_EQ(full.number("arrotondamento"), 0.4);
    EXPECT_TRUE(full["totale importo dovuto"].isNull());

    Record shortLine(importer::headerLayout());
    shortLine.fill(exportLine({{1, "5"}, {17, "Bianchi"}}, 20));
    EXPECT_EQ(shortLine.text("contribuente"), u"Bianchi");
    EXPECT_EQ(shortLine.text("codice fiscale"), u"");
    EXPECT_TRUE(shortLine["data doc"].isNull());
    EXPECT_TRUE(shortLine["tassa_tariffa"].isNull());
    EXPECT_TRUE(shortLine["num doc"].isNull());

    Record empty(importer::headerLayout());
    empty.fill("");
    EXPECT_TRUE(empty["id doc"].isNull());
    EXPECT_EQ(empty.text("partita iva"), u"");
}

TEST_F(LayoutTest, HeaderConversionErrorsCarryTheFieldsMessage) {
    struct Case {
        int column;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {1, "12.5", "'12.5' is not a valid integer value for field 'id doc'"},
        {2, "7 ", "'7 ' is not a valid integer value for field 'num doc'"},
        {3, "2020-12-31", "'2020-12-31' is not a valid date and time"},
        // Points go first, so the message shows the text without them.
        {44, "1.2,3,4", "'12,3,4' is not a valid floating point value for field 'tassa_tariffa'"},
        {55, "1,2,3", "'1,2,3' is not a valid floating point value for field 'arrotondamento'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Record r(importer::headerLayout());
        EXPECT_THAT(
            [&] {
                r.fill(exportLine({{c.column, c.text}}, 56));
            },
            ThrowsMessage<data::UserError>(StrEq(c.message)));
    }
}

TEST_F(LayoutTest, DetailColumnsAndTheirPointRemoval) {
    Record r(importer::detailLayout());
    r.fill(exportLine({{1, "1.024"},
                       {2, "ignored"},
                       {3, "U.001"},
                       {4, "P.7"},
                       {5, "via Roma 1."},
                       {6, "Cat. 2"},
                       {7, "Dom. Uso"},
                       {8, "T.V."},
                       {9, "1.250,5"},
                       {10, "m.q."},
                       {11, "2,1"},
                       {12, "01.01.2020"},
                       {13, "31.12.2020"},
                       {14, "12.5"},
                       {15, "g.g."},
                       {16, "2.345,60"},
                       {17, "never"}},
                      17));
    EXPECT_EQ(r["id doc"].value(), FieldValue(std::int32_t{1024}));
    EXPECT_EQ(r.text("cod utenza"), u"U001");
    EXPECT_EQ(r.text("cod posizione"), u"P7");
    EXPECT_EQ(r.text("accesso utenza"), u"via Roma 1");
    EXPECT_EQ(r.text("categoria"), u"Cat. 2");
    EXPECT_EQ(r.text("des"), u"Dom. Uso");
    EXPECT_EQ(r.text("tipo voce"), u"T.V.");
    EXPECT_EQ(r.text("quantita"), u"1250,5");
    EXPECT_EQ(r.text("um quantita"), u"mq");
    EXPECT_EQ(r.text("prezzo"), u"2,1");
    EXPECT_EQ(r.text("data inizio"), u"01012020");
    EXPECT_EQ(r.text("data fine"), u"31122020");
    EXPECT_EQ(r.text("tempo"), u"12.5");
    EXPECT_EQ(r.text("um tempo"), u"g.g.");
    EXPECT_EQ(r.number("imponibile"), 2345.6);
}

TEST_F(LayoutTest, DetailTextsAreCutToTheirFieldSizes) {
    Record r(importer::detailLayout());
    r.fill(exportLine({{6, std::string(200, 'c')}, {11, std::string(40, '9')}}, 16));
    EXPECT_EQ(r.text("categoria").size(), 180u);
    EXPECT_EQ(r.text("prezzo").size(), 25u);
}

TEST_F(LayoutTest, DetailIsKeptOnlyWithACategoryAndAUnitOfQuantity) {
    struct Case {
        const char* label;
        std::string categoria;
        std::string umQuantita;
        bool kept;
    };
    const Case cases[] = {
        {"both", "DOMESTICA", "mq", true},
        {"blanks around", "  D ", "\tmq\t", true},
        {"category blank", "   ", "mq", false},
        {"category empty", "", "mq", false},
        {"category of control characters", "\t\x01\x1f", "mq", false},
        {"unit empty", "DOMESTICA", "", false},
        {"unit blank", "DOMESTICA", "  ", false},
        {"unit only points", "DOMESTICA", "..", false},  // points go before the test
        {"text past the category's 180 characters", std::string(180, ' ') + "X", "mq", false},
        {"accented category", "\xe0", "mq", true},  // «à» in Windows-1252
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Record r(importer::detailLayout());
        r.fill(exportLine({{6, c.categoria}, {10, c.umQuantita}}, 16));
        EXPECT_EQ(importer::acceptsDetail(r["categoria"], r["um quantita"]), c.kept);
    }
    Record blankLine(importer::detailLayout());
    blankLine.fill("");
    EXPECT_FALSE(importer::acceptsDetail(blankLine["categoria"], blankLine["um quantita"]));
}

TEST_F(LayoutTest, DetailConversionErrors) {
    Record r(importer::detailLayout());
    EXPECT_THAT(
        [&] {
            r.fill(exportLine({{1, "12,5"}}, 16));
        },
        ThrowsMessage<data::UserError>(
            StrEq("'12,5' is not a valid integer value for field 'id doc'")));
    EXPECT_THAT(
        [&] {
            r.fill(exportLine({{16, "1.234,5,6"}}, 16));
        },
        ThrowsMessage<data::UserError>(
            StrEq("'1234,5,6' is not a valid floating point value for field 'imponibile'")));
}

}  // namespace
