#include "ui/handler_guard.h"

#include <cstdio>

#include "data/error_text.h"

namespace ui {

QString errorMessage(const std::exception_ptr& error) {
    return QString::fromStdString(data::errorText(error));
}

void showCurrentException(MessageBoxes& boxes) noexcept {
    try {
        boxes.error(errorMessage(std::current_exception()));
    } catch (const std::exception& e) {
        // The error display itself failed (out of memory, most likely): the terminal is the last
        // place left to say something.
        std::fprintf(stderr, "brelvano: cannot show an error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "brelvano: cannot show an error\n");
    }
}

}  // namespace ui
