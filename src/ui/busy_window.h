// busy_window.h: the window while a long command runs inside its handler.
//
// The command keeps the window's thread to itself and only lets Qt repaint now and then
// (window_import_host.h). While a BusyWindow lives, the user's input to the window and its
// controls (mouse, keys, wheel, drops) is dropped, not queued for later, so no button can start a
// second command in the middle of the first; and a request to close the window is held, for the
// owner to carry out once the command has ended (closeRequested()). Input to other windows, such
// as the command's own message boxes, passes.
#pragma once

#include <QObject>
#include <QWidget>

namespace ui {

class BusyWindow : public QObject {
    Q_OBJECT
public:
    explicit BusyWindow(QWidget& window);
    ~BusyWindow() override;  // ends the busy time if end() did not
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

    // Drops the input that is still waiting for the window, then lets input through again.
    void end();

    // Whether something asked to close the window while it was busy.
    bool closeRequested() const { return closeRequested_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* object) const;

    QWidget& window_;
    bool ended_ = false;
    bool closeRequested_ = false;
};

}  // namespace ui
