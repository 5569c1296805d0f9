#pragma once
// Every handler runs inside guarded(): an error it raises is shown in the error box and the
// program goes on. No exception may unwind through Qt's own frames.

#include <exception>
#include <string>

class QWidget;

namespace qc {

void showHandlerError(const std::string& message);

template <class F> void guarded(F&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        showHandlerError(e.what());
    } catch (...) {
        showHandlerError("Unknown error");
    }
}

// The application title (set once at start-up from the executable's path).
void setApplicationTitle(std::string title);
const std::string& applicationTitleText();

}  // namespace qc
