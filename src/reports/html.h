// html.h: small pieces of the HTML the reports lay out with QTextDocument.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace reports::html {

// Stored text (UTF-8) made safe to place between tags.
inline QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toHtmlEscaped();
}
inline QString text(const std::string& s) { return text(std::string_view(s)); }

// A table with thin ruled cells; its first row is repeated at the top of every page it spans.
inline QString tableStart(const QStringList& headings, const QStringList& alignments) {
    QString out = QStringLiteral(
        "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\" "
        "style=\"border-collapse: collapse; border-color: #808080;\"><thead><tr>");
    for (qsizetype i = 0; i < headings.size(); ++i)
        out += QStringLiteral("<th align=\"%1\" bgcolor=\"#e8e8e8\">%2</th>")
                   .arg(alignments.value(i, QStringLiteral("left")), headings[i]);
    return out + QStringLiteral("</tr></thead>");
}

}  // namespace reports::html
