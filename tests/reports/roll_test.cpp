// The roll in memory: documents in "id doc" order, each with exactly its own detail lines.
#include "reports/roll.h"

#include <gtest/gtest.h>

#include "reports/item_totals.h"
#include "reports/report_support.h"

using reports::DocumentRow;
using reports::ItemRow;
using reports::Roll;
using testing_support::MemorySource;

namespace {

DocumentRow document(std::optional<std::int32_t> id, const char* taxpayer) {
    DocumentRow d;
    d.idDoc = id;
    d.taxpayer = taxpayer;
    return d;
}

ItemRow item(std::optional<std::int32_t> id, const char* description, const char* category = "C",
             const char* type = "T", std::optional<double> taxable = std::nullopt) {
    ItemRow i;
    i.idDoc = id;
    i.description = description;
    i.category = category;
    i.type = type;
    i.taxable = taxable;
    return i;
}

std::vector<std::string> descriptions(const Roll& roll, std::size_t doc) {
    std::vector<std::string> out;
    for (const Roll::Item& i : roll.items(doc)) out.emplace_back(roll.text(i.description));
    return out;
}

// Table order is not "id doc" order; nulls come first; equal numbers keep table order.
MemorySource unorderedRoll() {
    MemorySource source;
    source.documents = {document(30, "C"),  document(10, "A"),  document(std::nullopt, "N"),
                        document(20, "B1"), document(20, "B2"), document(40, "no lines")};
    source.items = {item(20, "b-1"),           item(10, "a-1"), item(30, "c-1"),   item(20, "b-2"),
                    item(std::nullopt, "n-1"), item(10, "a-2"), item(99, "orphan")};
    return source;
}

// The first `read` documents of unorderedRoll().
void expectUnorderedRollInOrder(const Roll& roll, std::size_t read) {
    ASSERT_EQ(roll.documentCount(), 6u);
    EXPECT_EQ(roll.itemCount(), 7u);  // the orphan and the null line are kept, just not shown
    const char* const order[] = {"N", "A", "B1", "B2", "C", "no lines"};
    const std::vector<std::vector<std::string>> lines = {
        {}, {"a-1", "a-2"}, {"b-1", "b-2"}, {"b-1", "b-2"}, {"c-1"}, {}};
    for (std::size_t i = 0; i < read; ++i) {
        SCOPED_TRACE(order[i]);
        EXPECT_EQ(roll.document(i).taxpayer, order[i]);
        EXPECT_EQ(descriptions(roll, i), lines[i]);  // a null "id doc" matches nothing
    }
}

}  // namespace

TEST(Roll, SortsDocumentsByIdDocAndGivesEachItsOwnLines) {
    MemorySource source = unorderedRoll();
    expectUnorderedRollInOrder(Roll::load(source), 6);
}

// Read in steps, the roll knows its counts and order before reading a row, and each step gives
// whole documents with all their lines, wherever the table holds them. A read that fails is
// tried again from the document it stopped at.
TEST(Roll, ReadInStepsGivesTheSameDocumentsAndLines) {
    auto owned = std::make_unique<MemorySource>(unorderedRoll());
    MemorySource& source = *owned;
    source.damagedDocument = 0;  // table row 0 is "C", the fifth in order
    Roll roll = Roll::open(std::move(owned));
    EXPECT_EQ(roll.documentsRead(), 0u);
    expectUnorderedRollInOrder(roll, 0);

    roll.readUpTo(3);  // "B1" shares its lines with "B2", read later
    EXPECT_EQ(roll.documentsRead(), 3u);
    expectUnorderedRollInOrder(roll, 3);

    EXPECT_THROW(roll.readUpTo(6), std::runtime_error);
    EXPECT_EQ(roll.documentsRead(), 4u);  // "B2" read, "C" not
    source.damagedDocument.reset();
    roll.readUpTo(99);
    EXPECT_EQ(roll.documentsRead(), 6u);
    expectUnorderedRollInOrder(roll, 6);
}

TEST(Roll, KeepsEachDistinctLineTextOnce) {
    MemorySource source;
    source.documents = {document(1, "A")};
    for (int i = 0; i < 1000; ++i) source.items.push_back(item(1, i % 2 ? "odd" : "even"));
    const Roll roll = Roll::load(source);
    const auto items = roll.items(0);
    ASSERT_EQ(items.size(), 1000u);
    EXPECT_EQ(items[0].description, items[2].description);
    EXPECT_NE(items[0].description, items[1].description);
    EXPECT_EQ(roll.text(items[1].description), "odd");
    EXPECT_EQ(items[0].unit, 0u);  // the empty text
    EXPECT_EQ(roll.text(items[0].unit), "");
}

TEST(ItemTotals, CountsAndSumsPerCategoryAndTypeInOrder) {
    MemorySource source;
    source.items = {item(1, "", "Rifiuti", "Fissa", 10.5),  item(2, "", "Acqua", "Consumo", 3),
                    item(1, "", "Rifiuti", "Variabile", 2), item(3, "", "Rifiuti", "Fissa", -0.5),
                    item(3, "", "Acqua", "Consumo"),     // null amount: counted, adds nothing
                    item(std::nullopt, "", "", "", 1)};  // no category: a group of its own
    const reports::ItemTotals totals = reports::ItemTotals::load(source);
    EXPECT_EQ(source.documentReads, 0);  // the totals need no documents

    struct Expected {
        const char* category;
        const char* type;
        std::size_t lines;
        double taxable;
    };
    const Expected expected[] = {{"", "", 1, 1},
                                 {"Acqua", "Consumo", 2, 3},
                                 {"Rifiuti", "Fissa", 2, 10},
                                 {"Rifiuti", "Variabile", 1, 2}};
    ASSERT_EQ(totals.groups.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(totals.groups[i].category, expected[i].category);
        EXPECT_EQ(totals.groups[i].type, expected[i].type);
        EXPECT_EQ(totals.groups[i].lines, expected[i].lines);
        EXPECT_DOUBLE_EQ(totals.groups[i].taxable, expected[i].taxable);
    }
    EXPECT_EQ(totals.lines, 6u);
    EXPECT_DOUBLE_EQ(totals.taxable, 16);
}

TEST(ItemTotals, AMillionCentsAddUpToTheCent) {
    MemorySource source;
    source.items.assign(1000000, item(1, "", "C", "T", 0.01));
    const reports::ItemTotals totals = reports::ItemTotals::load(source);
    // Plain double addition drifts visibly here (to 10000.000000171856).
    EXPECT_NEAR(totals.taxable, 10000, 1e-9);
}

// Documents are kept packed: every value comes back exactly, whether an amount is a whole number
// of cents or not, and a text of any length.
TEST(Roll, GivesBackEveryValueOfADocumentExactly) {
    MemorySource source;
    DocumentRow d = document(7, "ROSSI MARIO");
    d.number = -12;
    d.date = reports::Date{2024, 3, 5};
    d.residence = std::string(300, 'x');
    d.vatNumber = "01234567890";
    const double amounts[] = {1052.76,          -0.03, 0,  -0.0, 0.1 + 0.2, 1e300,
                              -123456789012.34, 1.005, 42, 1e16};
    for (std::size_t i = 0; i < std::size(amounts); ++i) d.amounts[i] = amounts[i];
    d.totalDue = 8849.5;
    source.documents = {d};
    const DocumentRow back = Roll::load(source).document(0);
    EXPECT_EQ(back.idDoc, d.idDoc);
    EXPECT_EQ(back.number, d.number);
    EXPECT_EQ(back.date, d.date);
    EXPECT_EQ(back.taxpayer, d.taxpayer);
    EXPECT_EQ(back.residence, d.residence);
    EXPECT_EQ(back.birthPlace, "");
    EXPECT_EQ(back.vatNumber, d.vatNumber);
    EXPECT_EQ(back.totalDue, d.totalDue);
    for (std::size_t i = 0; i < reports::kAmountCount; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(back.amounts[i].has_value(), d.amounts[i].has_value());
        if (!d.amounts[i]) continue;
        EXPECT_EQ(*back.amounts[i], *d.amounts[i]);
        EXPECT_EQ(std::signbit(*back.amounts[i]), std::signbit(*d.amounts[i]));
    }
}
