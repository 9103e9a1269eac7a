// progress_bar.h: the window's progress bar, with a position that never leaves 0..maximum.
//
// Unlike a plain QProgressBar, a maximum of 0 shows an empty bar (not a busy animation), and
// lowering the maximum below the position caps the position instead of resetting the bar. The
// minimum is always 0.
#pragma once

#include <QProgressBar>

namespace ui {

class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    int position() const { return position_; }
    int maximum() const { return maximum_; }

    // Clamped to 0..maximum().
    void setPosition(int position);
    // A negative maximum counts as 0; the position is capped at the new maximum.
    void setMaximum(int maximum);

private:
    void showState();

    int position_ = 0;
    int maximum_ = 100;
};

}  // namespace ui
