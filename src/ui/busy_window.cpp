#include "ui/busy_window.h"

#include <QCoreApplication>
#include <QEvent>

namespace ui {
namespace {

bool isUserInput(const QEvent& event) {
    switch (event.type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
            return true;
        default:
            return event.isInputEvent();  // mouse, keys, wheel, touch, tablet, context menu
    }
}

}  // namespace

BusyWindow::BusyWindow(QWidget& window) : window_(window) {
    // The application sees every event before the widget it is meant for.
    QCoreApplication::instance()->installEventFilter(this);
}

BusyWindow::~BusyWindow() { end(); }

void BusyWindow::end() {
    if (ended_) return;
    ended_ = true;
    // Input that arrived while the command ran waits in the window system's queue (the command
    // processes events without it): deliver it now, to be dropped here.
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(this);
}

bool BusyWindow::belongsToWindow(QObject* object) const {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget != nullptr && window_.isAncestorOf(widget);  // the window counts as its own
}

bool BusyWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!belongsToWindow(watched)) return false;
    if (event->type() == QEvent::Close && watched == &window_) {
        closeRequested_ = true;
        event->ignore();  // an ignored close event keeps the window open
        return true;
    }
    return isUserInput(*event);
}

}  // namespace ui
