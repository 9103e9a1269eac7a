// report_support.h: rows in memory, a GUI application, and a rendered report read back as text.
#pragma once

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "reports/report.h"
#include "reports/roll_source.h"

namespace testing_support {

// Fonts and painting need a GUI application; one serves every test of the program.
inline void ensureGuiApplication() {
    static int argc = 1;
    static char name[] = "reports_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

class MemorySource : public reports::RowByRowSource {
public:
    std::vector<reports::DocumentRow> documents;
    std::vector<reports::ItemRow> items;
    int documentReads = 0, itemReads = 0;
    // Reading this document row one at a time throws, as a damaged page would.
    std::optional<std::size_t> damagedDocument;

    void readDocuments(const std::function<void(reports::DocumentRow&&)>& take) override {
        ++documentReads;
        for (reports::DocumentRow row : documents) take(std::move(row));
    }
    void readItems(const std::function<void(reports::ItemRow&&)>& take) override {
        ++itemReads;
        for (reports::ItemRow row : items) take(std::move(row));
    }
    Ids documentIds() override {
        Ids ids;
        for (const auto& d : documents) ids.push_back(d.idDoc);
        return ids;
    }
    Ids itemIds() override {
        Ids ids;
        for (const auto& i : items) ids.push_back(i.idDoc);
        return ids;
    }
    reports::DocumentRow document(std::size_t row) override {
        if (row == damagedDocument) throw std::runtime_error("damaged page");
        return documents.at(row);
    }
    reports::ItemRow item(std::size_t row) override { return items.at(row); }
};

// A report written to a PDF file and read back with poppler's tools.
struct RenderedPdf {
    int printedPages = 0;  // what print() said
    int pdfPages = 0;      // what pdfinfo says
    std::string text;      // pdftotext -layout, pages separated by form feeds
    int images = 0;        // pdfimages -list

    // The text of page n (1-based).
    std::string page(int n) const {
        std::size_t from = 0;
        for (int i = 1; i < n; ++i) from = text.find('\f', from) + 1;
        return text.substr(from, text.find('\f', from) - from);
    }
};

inline std::string run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return process.readAllStandardOutput().toStdString();
}

inline RenderedPdf render(const reports::Report& report) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    RenderedPdf out;
    out.printedPages = reports::writePdf(report, pdf);
    const std::string info = run(QStringLiteral("pdfinfo"), {pdf});
    if (const auto at = info.find("Pages:"); at != std::string::npos)
        out.pdfPages = std::stoi(info.substr(at + 6));
    out.text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    const std::string images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    // Two heading lines, then one line per image.
    out.images =
        std::max<int>(0, static_cast<int>(std::count(images.begin(), images.end(), '\n')) - 2);
    return out;
}

inline reports::PageHeading heading(const char* report) {
    return {QStringLiteral("ruolo.mdb"), QString::fromUtf8(report), QDate(2024, 3, 5)};
}

}  // namespace testing_support
