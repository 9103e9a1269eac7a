// capped_progress.h: a progress bar's state as the import expects of every bar it drives: the
// minimum is 0, a negative maximum counts as 0, lowering the maximum below the position caps the
// position, and a position is kept between 0 and the maximum.
#pragma once

#include <algorithm>

namespace importer {

class CappedProgress {
public:
    int position() const { return position_; }
    int maximum() const { return maximum_; }

    void setMaximum(int maximum) {
        maximum_ = std::max(maximum, 0);
        position_ = std::min(position_, maximum_);
    }
    void setPosition(int position) { position_ = std::clamp(position, 0, maximum_); }

private:
    int position_ = 0;
    int maximum_ = 100;  // a new bar's range is 0..100
};

}  // namespace importer
