// screen_centre.h: dialogs that open centred on the screen rather than over their parent.
#pragma once

#include <QShowEvent>
#include <QWidget>

namespace ui {

// Moves `widget` so that its frame is centred in the available area of its screen.
void centreOnScreen(QWidget& widget);

// A dialog class D that centres itself each time it is shown. The move happens after D's own
// show handling, which is where a message box fixes its size.
template <class D>
class ScreenCentred : public D {
public:
    using D::D;

protected:
    void showEvent(QShowEvent* event) override {
        D::showEvent(event);
        centreOnScreen(*this);
    }
};

}  // namespace ui
