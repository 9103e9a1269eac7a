// Unit1.h: `TForm1`, the program's one window.
//
// Three path boxes with their browse buttons, the Connetti / Importa / Fine buttons inside a
// bevel, the status labels, the activity line and the progress bar, placed at fixed pixel
// positions in a 524 x 449 client area. Each button's handler runs inside one guard
// (handler_guard.h) that shows any exception in the error display.
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

class TForm1 : public QWidget {  // fixed name, keep
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

    void FormCreate();  // fixed name, keep
    void trovato();     // fixed name, keep
    void NonTrovato();  // fixed name, keep
    void showMatch(Match match);
    void browse(const std::string& filter, QLineEdit& target);

    void SpeedButton1Click();  // fixed name, keep
    void SpeedButton2Click();  // fixed name, keep
    void SpeedButton3Click();  // fixed name, keep
    void BitBtn1Click();       // fixed name, keep
    void BitBtn2Click();       // fixed name, keep
    void BitBtn3Click();       // fixed name, keep
    void BitBtn4Click();       // fixed name, keep
    void BitBtn5Click();       // fixed name, keep
    void showReport(reports::ReportKind kind);

    data::DataModules& modules_;
    std::unique_ptr<MessageBoxes> boxes_;
    std::unique_ptr<ReportPreview> preview_;
    std::function<void()> afterEachImportLine_;
    bool importing_ = false;
    bool regionalSettingsChanged_ = false;  // while importing: read them again afterwards

    // The controls, in creation order (which is also their stacking order, bevel at the bottom).
    QFrame* Bevel1 = nullptr;             // fixed name, keep
    Label* Label1 = nullptr;              // fixed name, keep
    Label* Label2 = nullptr;              // fixed name, keep
    Label* Label3 = nullptr;              // fixed name, keep
    Label* Label4 = nullptr;              // fixed name, keep
    Label* LAttivita = nullptr;           // fixed name, keep
    Label* Label5 = nullptr;              // fixed name, keep
    Label* Label6 = nullptr;              // fixed name, keep
    QToolButton* SpeedButton1 = nullptr;  // fixed name, keep
    QToolButton* SpeedButton2 = nullptr;  // fixed name, keep
    Label* Label7 = nullptr;              // fixed name, keep
    QToolButton* SpeedButton3 = nullptr;  // fixed name, keep
    QPushButton* BitBtn1 = nullptr;       // fixed name, keep
    QPushButton* BitBtn2 = nullptr;       // fixed name, keep
    QPushButton* BitBtn3 = nullptr;       // fixed name, keep
    QPushButton* BitBtn4 = nullptr;       // fixed name, keep
    ProgressBar* PB = nullptr;            // fixed name, keep
    QLineEdit* Edit1 = nullptr;           // fixed name, keep
    QLineEdit* Edit2 = nullptr;           // fixed name, keep
    QLineEdit* Edit3 = nullptr;           // fixed name, keep
    QPushButton* BitBtn5 = nullptr;       // fixed name, keep
    OpenDialog OpenDialog1{this};         // fixed name, keep
};

}  // namespace ui
