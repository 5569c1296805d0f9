#pragma once
// Every handler runs inside guarded(): an error it raises is shown in the error box and the
// program goes on. No exception may unwind through Qt's own frames.

#include <QObject>
#include <exception>
#include <string>
#include <type_traits>
#include <utility>

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

// Connects a signal to a handler that runs inside guarded(). Every entry point that runs a handler
// (menu command, sub-menu opening, picture button, timer tick, player event, the player's own
// buttons) is connected with this, so none can forget the guard. The handler takes the signal's
// arguments or none.
template <class Sender, class Signal, class Handler>
QMetaObject::Connection connectGuarded(Sender* sender, Signal signal, const QObject* context, Handler handler) {
    return QObject::connect(sender, signal, context, [handler = std::move(handler)](auto&&... args) -> void {
        guarded([&] {
            if constexpr (std::is_invocable_v<const Handler&, decltype(args)...>) handler(args...);
            else handler();
        });
    });
}

// The application title (set once at start-up from the executable's path).
void setApplicationTitle(std::string title);
const std::string& applicationTitleText();

}  // namespace qc
