// open_dialog.h: `OpenDialog1`, the one file-open dialog the three browse buttons share.
//
// The dialog keeps, between uses, the full path chosen last and the filter selected last (by
// position, as "display|pattern" filters are addressed). What is put on the screen is a
// FileDialogRunner: the real one runs a modal QFileDialog, tests put in a scripted one.
#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

namespace ui {

// What the dialog is asked to show.
struct FileDialogRequest {
    QString directory;        // initial folder
    QStringList nameFilters;  // Qt name filters, e.g. "File csv (*.[cC][sS][vV])"
    int filterIndex = 0;      // the filter selected when the dialog opens
    QString fileName;         // the path chosen last, empty at the first use
};

// What the user did with it.
struct FileDialogAnswer {
    bool accepted = false;
    QString fileName;     // full path of the chosen file (it need not exist)
    int filterIndex = 0;  // the filter selected when the user confirmed
};

using FileDialogRunner = std::function<FileDialogAnswer(const FileDialogRequest&)>;

// "File csv|*.csv|Tutti i files|*.*" as Qt name filters. The patterns match without regard to
// case, and "*.*" becomes "*" so that it matches names without a dot as well.
QStringList qtNameFilters(const QString& filter);

// Sets up `dialog` for `request`: Qt's own dialog (so the set-up is the same on every desktop),
// open mode, any file name accepted, only the filters' display names shown, the system's
// default title.
void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

// The position of the filter selected in `dialog` among its name filters (0 when none is).
int selectedFilterIndex(const QFileDialog& dialog);

class OpenDialog {
public:
    // The real dialog, created at first use as a child of `owner` and centred on the screen.
    explicit OpenDialog(QWidget* owner);
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;

    void setRunner(FileDialogRunner runner) { runner_ = std::move(runner); }

    // "display|pattern|display|pattern..."
    void setFilter(const QString& filter) { filter_ = filter; }
    void setInitialDir(const QString& directory) { initialDir_ = directory; }

    // Shows the dialog. On confirmation remembers the chosen path and filter, makes the chosen
    // file's folder the process's current directory, and returns true. On cancel changes nothing.
    bool execute();

    const QString& fileName() const { return fileName_; }
    int filterIndex() const { return filterIndex_; }

private:
    FileDialogAnswer runOnScreen(const FileDialogRequest& request);

    QWidget* owner_;
    QPointer<QFileDialog> dialog_;  // a child of owner_
    FileDialogRunner runner_;
    QString filter_;
    QString initialDir_;
    QString fileName_;
    int filterIndex_ = 0;
};

}  // namespace ui
