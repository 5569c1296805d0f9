#include "core/catalogue/dispatcher.h"

namespace qc {

void Dispatcher::choose(const Entry& entry) {
    if (!entry.isGroup()) perform(entry);
}

void Dispatcher::opened(const Entry& group) {
    // Only a browse action may sit on a group; it runs at every opening.
    if (group.isGroup() && group.action == Action::Browse) perform(group);
}

void Dispatcher::perform(const Entry& e) {
    switch (e.action) {
    case Action::None: return;
    case Action::Play: t_.player.setUrl(e.address); return;
    case Action::Browse: t_.shell.open(e.address); return;
    case Action::Game:
        // The movie first: if the control refuses it, the window stays as it was.
        t_.flash.setMovie(e.address);
        t_.games.showWindow();
        return;
    case Action::About: t_.about.showWindow(); return;
    }
}

}  // namespace qc
