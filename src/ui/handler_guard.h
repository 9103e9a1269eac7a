// handler_guard.h: the one place where a handler's uncaught exception ends.
//
// Every button handler runs inside runGuarded. An exception must never leave a Qt slot, so the
// guard catches everything, shows it in the general error display and returns: the program goes
// on waiting for the next command. Nothing is logged and nothing is rolled back.
#pragma once

#include <QString>
#include <exception>
#include <utility>

#include "ui/message_boxes.h"

namespace ui {

// The error display's text for an exception (before the final point): a database engine's
// message without trailing blanks and points, any other exception's own message.
QString errorMessage(const std::exception_ptr& error);

// Shows the current exception through `boxes`; never throws.
void showCurrentException(MessageBoxes& boxes) noexcept;

template <class Handler>
void runGuarded(MessageBoxes& boxes, Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        showCurrentException(boxes);
    }
}

}  // namespace ui
