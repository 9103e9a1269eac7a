#include "ui/label.h"

#include <QEvent>
#include <QFontMetrics>
#include <algorithm>

namespace ui {

Label::Label(QWidget* parent, Width mode) : QLabel(parent), mode_(mode) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Label::setDesignedGeometry(int left, int top, int width, int height) {
    designedWidth_ = width;
    setGeometry(left, top, width, height);
    fitText();
}

void Label::setText(const QString& text) {
    QLabel::setText(text);
    fitText();
}

void Label::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) fitText();
}

void Label::setRoom(int width) {
    room_ = width;
    fitText();
}

int Label::textWidth() const { return fontMetrics().horizontalAdvance(text()); }

void Label::fitText() {
    if (fitting_) return;
    fitting_ = true;
    narrowToRoom();
    const int wanted =
        mode_ == Width::FollowsText ? textWidth() : std::max(designedWidth_, textWidth());
    if (wanted != width()) resize(wanted, height());
    fitting_ = false;
}

// The least narrowing that makes the text fit its room; none when it fits as it is.
void Label::narrowToRoom() {
    constexpr int kNarrowest = 80;  // percent of the normal width: still easy to read
    QFont narrowed = font();
    narrowed.setStretch(100);
    while (room_ > 0 && QFontMetrics(narrowed).horizontalAdvance(text()) > room_ &&
           narrowed.stretch() > kNarrowest) {
        narrowed.setStretch(narrowed.stretch() - 1);
    }
    if (narrowed.stretch() != font().stretch()) setFont(narrowed);
}

}  // namespace ui
