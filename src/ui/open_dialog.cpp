#include "ui/open_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "ui/screen_centre.h"

namespace ui {
namespace {

// "*.csv" as "*.[cC][sS][vV]": the dialog matches patterns with the file system's case rules,
// which on this platform tell "a.csv" from "A.CSV".
QString caseBlindPattern(const QString& pattern) {
    if (pattern == QLatin1String("*.*")) return QStringLiteral("*");
    QString result;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower(), upper = c.toUpper();
        if (lower == upper) {
            result += c;
        } else {
            result += QLatin1Char('[') + lower + upper + QLatin1Char(']');
        }
    }
    return result;
}

}  // namespace

QStringList qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = caseBlindPattern(p.trimmed());
        result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    dialog.setNameFilters(request.nameFilters);
    if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
        dialog.selectNameFilter(request.nameFilters[request.filterIndex]);
    dialog.setDirectory(request.directory);
    // An absolute remembered path also moves the dialog to that file's folder.
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
}

int selectedFilterIndex(const QFileDialog& dialog) {
    // With the filters' details hidden the dialog reports only the display name ("File csv").
    const QString selected = dialog.selectedNameFilter();
    const QStringList filters = dialog.nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString display = filters[i].left(filters[i].lastIndexOf(QLatin1String(" (")));
        if (filters[i] == selected || display == selected) return static_cast<int>(i);
    }
    return 0;
}

OpenDialog::OpenDialog(QWidget* owner) : owner_(owner) {
    runner_ = [this](const FileDialogRequest& request) { return runOnScreen(request); };
}

bool OpenDialog::execute() {
    const QStringList filters = qtNameFilters(filter_);
    // A remembered position beyond the new filter list falls back to the first filter.
    const int index = filterIndex_ < filters.size() ? filterIndex_ : 0;
    const FileDialogAnswer answer = runner_({initialDir_, filters, index, fileName_});
    if (!answer.accepted) return false;
    fileName_ = answer.fileName;
    filterIndex_ = answer.filterIndex;
    // Relative paths typed later resolve from the folder of the last pick. A folder that does not
    // exist (a name typed into a vanished folder) leaves the current directory where it was.
    QDir::setCurrent(QFileInfo(fileName_).absolutePath());
    return true;
}

FileDialogAnswer OpenDialog::runOnScreen(const FileDialogRequest& request) {
    if (!dialog_) dialog_ = new ScreenCentred<QFileDialog>(owner_);
    prepareFileDialog(*dialog_, request);
    FileDialogAnswer answer;
    answer.accepted = dialog_->exec() == QDialog::Accepted && !dialog_->selectedFiles().isEmpty();
    if (answer.accepted) {
        answer.fileName = QDir::toNativeSeparators(dialog_->selectedFiles().constFirst());
        answer.filterIndex = selectedFilterIndex(*dialog_);
    }
    return answer;
}

}  // namespace ui
