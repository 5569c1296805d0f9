#include "shared/xdg_shell.h"

#include "shared/child_environment.h"

namespace qc {

void XdgShell::open(const std::string& address) {
    startDetachedAsUser(QStringLiteral("xdg-open"), {QString::fromStdString(address)});
}

}  // namespace qc
