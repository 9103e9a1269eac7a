// Unit1.h: `TForm1`, the program's one window.
//
// Three path boxes with their browse buttons, the Connetti / Importa / Fine buttons inside a
// bevel, the status labels, the activity line and the progress bar, placed at fixed pixel
// positions in a 524 x 449 client area. Each button's handler runs inside one guard
// (handler_guard.h) that shows any exception in the error display.
//
// The class, its controls and its handlers (TForm1, SpeedButton1Click, Edit1, ...) keep the names
// the office's earlier program gave them, so that whoever knows that program finds each part of
// the window under the name they know it by; new helpers have names of their own.
#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <memory>

#include "data/data_modules.h"
#include "ui/label.h"
#include "ui/message_boxes.h"
#include "ui/open_dialog.h"
#include "ui/progress_bar.h"
#include "ui/report_preview.h"

namespace ui {

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The data modules Connetti creates go into `modules`, which must outlive the window.
    explicit TForm1(data::DataModules& modules, QWidget* parent = nullptr);

    // Seams for tests: what the message boxes, the file dialog and the report preview show.
    void setMessageBoxes(std::unique_ptr<MessageBoxes> boxes);
    void setFileDialogRunner(FileDialogRunner runner);
    void setReportPreview(std::unique_ptr<ReportPreview> preview);
    // Seam for tests: called after each line the import reads (a test slows the run with it).
    void setAfterEachImportLine(std::function<void()> hook);

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Match { Found, NotFound };

    void buildUi();
    void keepLabelsClear();
    void setTabOrderChain();
    void connectHandlers();
    void guardedOnClick(QAbstractButton* button, void (TForm1::*handler)());
    void runImportCommand();

    void FormCreate();
    void trovato();
    void NonTrovato();
    void showMatch(Match match);
    void browse(const std::string& filter, QLineEdit& target);

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void showReport(reports::ReportKind kind);

    data::DataModules& modules_;
    std::unique_ptr<MessageBoxes> boxes_;
    std::unique_ptr<ReportPreview> preview_;
    std::function<void()> afterEachImportLine_;
    bool importing_ = false;
    bool regionalSettingsChanged_ = false;  // while importing: read them again afterwards

    // The controls, in creation order (which is also their stacking order, bevel at the bottom).
    QFrame* Bevel1 = nullptr;
    Label* Label1 = nullptr;
    Label* Label2 = nullptr;
    Label* Label3 = nullptr;
    Label* Label4 = nullptr;
    Label* LAttivita = nullptr;
    Label* Label5 = nullptr;
    Label* Label6 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    Label* Label7 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    ProgressBar* PB = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    OpenDialog OpenDialog1{this};
};

}  // namespace ui
