// label.h: the window's text labels, which never cut their text off.
//
// Each label has the width it was designed with for "MS Sans Serif". Where that font is missing
// the fallback font is wider, so a label widens to the right when its text needs more room (it
// never gets narrower than designed). A label with a control close to its right is given the
// room it may take; when the text needs more, its letters are drawn a little narrower instead.
// The activity line always takes exactly the width of its text.
#pragma once

#include <QLabel>

namespace ui {

class Label : public QLabel {
    Q_OBJECT
public:
    enum class Width { AtLeastDesigned, FollowsText };

    Label(QWidget* parent, Width mode);

    // Place and designed size; the text sits at the top left.
    void setDesignedGeometry(int left, int top, int width, int height);
    int designedWidth() const { return designedWidth_; }

    // The widest the label may grow (0: no limit).
    void setRoom(int width);

    // Hides QLabel::setText so the width follows every change of text.
    void setText(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitText();
    void narrowToRoom();
    int textWidth() const;

    Width mode_;
    int designedWidth_ = 0;
    int room_ = 0;
    bool fitting_ = false;  // fitText's own font change must not start it again
};

}  // namespace ui
