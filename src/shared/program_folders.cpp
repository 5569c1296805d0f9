#include "shared/program_folders.h"

#include <QCoreApplication>
#include <QDir>

namespace qc {

QString privateLibraryFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../" QINGCHUAN_MODULE_RELDIR);
}

QString configuredPrivateLibraryFolder() { return QStringLiteral(QINGCHUAN_MODULE_DIR); }

}  // namespace qc
