#include "ui/progress_bar.h"

#include <algorithm>

namespace ui {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    showState();
}

void ProgressBar::setPosition(int position) {
    position_ = std::clamp(position, 0, maximum_);
    showState();
}

void ProgressBar::setMaximum(int maximum) {
    maximum_ = std::max(maximum, 0);
    position_ = std::min(position_, maximum_);
    showState();
}

void ProgressBar::showState() {
    // QProgressBar animates a 0..0 range as "busy"; 0..1 at 0 draws the empty bar we mean.
    const int shownMaximum = std::max(maximum_, 1);
    QProgressBar::setRange(0, shownMaximum);
    QProgressBar::setValue(position_);
}

}  // namespace ui
