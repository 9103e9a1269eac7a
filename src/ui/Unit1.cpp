#include "ui/Unit1.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QResizeEvent>

#include "data/connect_database.h"
#include "data/file_exists.h"
#include "data/messages.h"
#include "data/qt/system_regional_settings.h"
#include "import/import_run.h"
#include "ui/busy_window.h"
#include "ui/handler_guard.h"
#include "ui/window_import_host.h"
#include "ui/window_texts.h"

namespace ui {
namespace {

constexpr int kClientWidth = 524;
constexpr int kClientHeight = 449;
constexpr int kProgressHeight = 18;
constexpr int kMinGap = 3;  // pixels between two controls, the least the design leaves

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

QString text(const std::string& s) { return QString::fromStdString(s); }

// A path box's text as the file system's own bytes (UTF-8 here), not through a code page.
std::string pathOf(const QLineEdit& edit) { return QFile::encodeName(edit.text()).toStdString(); }

template <class W>
W* place(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

Label* label(QWidget* parent, const char* name, int left, int top, int width,
             const std::string& caption, Label::Width mode = Label::Width::AtLeastDesigned) {
    auto* l = new Label(parent, mode);
    l->setObjectName(QLatin1String(name));
    l->setDesignedGeometry(left, top, width, 13);
    l->setText(text(caption));
    return l;
}

void setTextColour(QLabel& l, const QColor& colour) {
    QPalette palette = l.palette();
    palette.setColor(QPalette::WindowText, colour);
    l.setPalette(palette);
}

Label* statusLabel(QWidget* parent, const char* name, int left, int top, int width,
                   const std::string& caption) {
    Label* l = label(parent, name, left, top, width, caption);
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    setTextColour(*l, kGreen);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, int left, int top, int width, int height,
                    const std::string& caption) {
    auto* b = place<QPushButton>(parent, name, left, top, width, height);
    b->setText(text(caption));
    return b;
}

// The small raised browse buttons: an empty face, never focused by keyboard or click.
QToolButton* browseButton(QWidget* parent, const char* name, int top) {
    auto* b = place<QToolButton>(parent, name, 416, top, 23, 22);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

// The window's font: "MS Sans Serif" at 11 pixels (8 points at 96 dpi). Where it is not
// installed, Qt falls back to a sans-serif font of the same pixel size.
QFont windowFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace

TForm1::TForm1(data::DataModules& modules, QWidget* parent)
    : QWidget(parent),
      modules_(modules),
      boxes_(std::make_unique<ScreenMessageBoxes>()),
      preview_(std::make_unique<PrintPreview>(this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(text(msg::kWindowCaption));
    setFont(windowFont());
    resize(kClientWidth, kClientHeight);
    move(354, 196);  // the frame's top-left corner
    buildUi();
    keepLabelsClear();
    setTabOrderChain();
    connectHandlers();
    BitBtn1->setFocus();
    FormCreate();
}

void TForm1::setMessageBoxes(std::unique_ptr<MessageBoxes> boxes) { boxes_ = std::move(boxes); }

void TForm1::setReportPreview(std::unique_ptr<ReportPreview> preview) {
    preview_ = std::move(preview);
}

void TForm1::setAfterEachImportLine(std::function<void()> hook) {
    afterEachImportLine_ = std::move(hook);
}

void TForm1::setFileDialogRunner(FileDialogRunner runner) {
    OpenDialog1.setRunner(std::move(runner));
}

void TForm1::buildUi() {
    Bevel1 = place<QFrame>(this, "Bevel1", 112, 177, 225, 160);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Label1 = label(this, "Label1", 128, 184, 42, msg::kTextFilesLabel);
    Label2 = statusLabel(this, "Label2", 230, 208, 100, msg::kNotConnected);
    Label3 = statusLabel(this, "Label3", 230, 184, 91, msg::kNotFound);
    Label4 = label(this, "Label4", 128, 208, 91, msg::kDatabaseLabel);
    LAttivita = label(this, "LAttivita", 8, 343, 3, msg::kNoActivity, Label::Width::FollowsText);
    Label5 = label(this, "Label5", 8, 8, 76, msg::kHeaderFileLabel);
    Label6 = label(this, "Label6", 8, 48, 70, msg::kDetailFileLabel);
    SpeedButton1 = browseButton(this, "SpeedButton1", 24);
    SpeedButton2 = browseButton(this, "SpeedButton2", 64);
    Label7 = label(this, "Label7", 8, 96, 61, msg::kDatabaseFileLabel);
    SpeedButton3 = browseButton(this, "SpeedButton3", 112);
    BitBtn1 = button(this, "BitBtn1", 128, 224, 193, 33, msg::kConnectButton);
    BitBtn2 = button(this, "BitBtn2", 128, 264, 193, 33, msg::kImportButton);
    BitBtn2->setEnabled(false);
    BitBtn3 = button(this, "BitBtn3", 384, 152, 193, 33, msg::kPrintDetailButton);
    BitBtn3->setEnabled(false);
    BitBtn3->setVisible(false);
    BitBtn4 = button(this, "BitBtn4", 256, 304, 65, 25, msg::kCloseButton);
    PB = place<ProgressBar>(this, "PB", 0, kClientHeight - kProgressHeight, kClientWidth,
                            kProgressHeight);
    Edit1 = place<QLineEdit>(this, "Edit1", 8, 24, 401, 21);
    Edit2 = place<QLineEdit>(this, "Edit2", 8, 64, 401, 21);
    Edit3 = place<QLineEdit>(this, "Edit3", 8, 112, 401, 21);
    BitBtn5 = button(this, "BitBtn5", 384, 192, 193, 33, msg::kPrintSummaryButton);
    BitBtn5->setEnabled(false);
    BitBtn5->setVisible(false);
}

// A label widened for a stand-in font stops a few pixels short of the control to its right
// (for the status labels, of the bevel's edge).
void TForm1::keepLabelsClear() {
    const auto roomUpTo = [](const Label* label, int rightNeighbourLeft) {
        return rightNeighbourLeft - kMinGap - label->x();
    };
    Label1->setRoom(roomUpTo(Label1, Label3->x()));
    Label4->setRoom(roomUpTo(Label4, Label2->x()));
    const int bevelInside = Bevel1->geometry().right() - Bevel1->frameWidth() + 1;
    Label3->setRoom(roomUpTo(Label3, bevelInside));
    Label2->setRoom(roomUpTo(Label2, bevelInside));
}

// Tab order: Connetti, Importa, the two print buttons' slot, Fine, the bar (never focused), the
// three path boxes, then the second print button.
void TForm1::setTabOrderChain() {
    QWidget* const chain[] = {BitBtn1, BitBtn2, BitBtn3, BitBtn4, PB, Edit1, Edit2, Edit3, BitBtn5};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i) setTabOrder(chain[i], chain[i + 1]);
}

void TForm1::guardedOnClick(QAbstractButton* b, void (TForm1::*handler)()) {
    connect(b, &QAbstractButton::clicked, this,
            [this, handler] { runGuarded(*boxes_, [this, handler] { (this->*handler)(); }); });
}

// The print buttons BitBtn3 and BitBtn5 stay hidden, but their commands are there.
void TForm1::connectHandlers() {
    guardedOnClick(SpeedButton1, &TForm1::SpeedButton1Click);
    guardedOnClick(SpeedButton2, &TForm1::SpeedButton2Click);
    guardedOnClick(SpeedButton3, &TForm1::SpeedButton3Click);
    guardedOnClick(BitBtn1, &TForm1::BitBtn1Click);
    connect(BitBtn2, &QAbstractButton::clicked, this, [this] { runImportCommand(); });
    guardedOnClick(BitBtn3, &TForm1::BitBtn3Click);
    guardedOnClick(BitBtn4, &TForm1::BitBtn4Click);
    guardedOnClick(BitBtn5, &TForm1::BitBtn5Click);
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The platform announced new regional settings: conversions use them from now on, but an
    // import keeps the settings it started with.
    if (event->type() != QEvent::LocaleChange) return;
    if (importing_) {
        regionalSettingsChanged_ = true;
    } else {
        data::loadSystemRegionalSettings();
    }
}

// Enter presses the focused push button, as Space does (Qt leaves Enter to dialogs' buttons).
void TForm1::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    if (enter && plain && focused != nullptr && focused->isEnabled()) {
        focused->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Only the progress bar follows the window: docked along the bottom, full width.
    PB->setGeometry(0, height() - kProgressHeight, width(), kProgressHeight);
}

void TForm1::FormCreate() { PB->setPosition(0); }

void TForm1::trovato() { showMatch(Match::Found); }

void TForm1::NonTrovato() { showMatch(Match::NotFound); }

// The order of the effects is part of the behaviour: buttons first, then the labels' text and
// colour, and only a match disables the path boxes (a miss leaves them as they are).
void TForm1::showMatch(Match match) {
    const bool found = match == Match::Found;
    BitBtn1->setEnabled(!found);
    BitBtn2->setEnabled(found);
    BitBtn3->setEnabled(found);
    BitBtn5->setEnabled(found);
    const QString status = text(found ? msg::kFound : msg::kNotFound);
    Label3->setText(status);
    Label2->setText(status);
    setTextColour(*Label3, found ? kGreen : kRed);
    setTextColour(*Label2, found ? kGreen : kRed);
    if (found) {
        Edit1->setEnabled(false);
        Edit2->setEnabled(false);
        Edit3->setEnabled(false);
    }
}

void TForm1::browse(const std::string& filter, QLineEdit& target) {
    OpenDialog1.setFilter(text(filter));
    OpenDialog1.setInitialDir(QDir::currentPath());
    if (OpenDialog1.execute()) {
        target.setText(OpenDialog1.fileName());  // also while the box is disabled
    } else {
        boxes_->information(text(msg::kOperationAborted));
    }
}

void TForm1::SpeedButton1Click() { browse(msg::kTextFileFilter, *Edit1); }

void TForm1::SpeedButton2Click() { browse(msg::kTextFileFilter, *Edit2); }

void TForm1::SpeedButton3Click() { browse(msg::kDatabaseFileFilter, *Edit3); }

void TForm1::BitBtn1Click() {
    // The detail file is tested only when the header file exists.
    if (data::namesExistingFile(pathOf(*Edit1)) && data::namesExistingFile(pathOf(*Edit2))) {
        trovato();
        BitBtn2->setFocus();  // the next step, rather than whatever follows the disabled Connetti
    } else {
        NonTrovato();
    }
    data::connectDatabase(modules_, pathOf(*Edit3));
}

// "Importa" keeps the window busy until the run and its last message (or error) are over: the
// window is drawn but takes no input, and a close request is carried out only then.
void TForm1::runImportCommand() {
    importing_ = true;
    BusyWindow busy(*this);
    runGuarded(*boxes_, [this] { BitBtn2Click(); });
    busy.end();
    importing_ = false;
    if (regionalSettingsChanged_) {
        regionalSettingsChanged_ = false;
        data::loadSystemRegionalSettings();
    }
    if (busy.closeRequested()) close();
}

// The import run (import_run.h) on the newest data module, shown through this window. It keeps
// the window's thread until it ends; its error, if any, reaches the error display through the
// guard.
void TForm1::BitBtn2Click() {
    WindowImportHost host(*LAttivita, *PB, *boxes_, [this] { NonTrovato(); });
    host.setAfterEachLine(afterEachImportLine_);
    importer::runImport({pathOf(*Edit1), pathOf(*Edit2), pathOf(*Edit3)}, DM, host);
}

void TForm1::BitBtn3Click() { showReport(reports::ReportKind::Roll); }

void TForm1::BitBtn4Click() { close(); }

void TForm1::BitBtn5Click() { showReport(reports::ReportKind::ItemTotals); }

// The report commands read only the database box, and open the database on their own
// (read-only), not through DM. The roll is read as its preview lays it out, so its first page
// shows at once; the database is closed once every row is read, or with the preview.
void TForm1::showReport(reports::ReportKind kind) {
    const auto report = reports::openReport(kind, pathOf(*Edit3));
    preview_->show(*report, *boxes_);
}

}  // namespace ui
