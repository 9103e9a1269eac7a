#include "ui/screen_centre.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {

void centreOnScreen(QWidget& widget) {
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame = widget.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    widget.move(frame.topLeft());
}

}  // namespace ui
