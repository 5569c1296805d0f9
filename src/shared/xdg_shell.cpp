#include "shared/xdg_shell.h"

#include <QProcess>

namespace qc {

void XdgShell::open(const std::string& address) {
    QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(address)});
}

}  // namespace qc
