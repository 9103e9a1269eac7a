#include "ui/label.h"

#include <QEvent>
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

void Label::fitText() {
    const int textWidth = fontMetrics().horizontalAdvance(text());
    const int wanted =
        mode_ == Width::FollowsText ? textWidth : std::max(designedWidth_, textWidth);
    if (wanted != width()) resize(wanted, height());
}

}  // namespace ui
