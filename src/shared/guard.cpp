#include "shared/guard.h"

#include <QApplication>
#include <QMessageBox>

#include "core/app/app_text.h"

namespace qc {

namespace {
std::string& title() {
    static std::string t;
    return t;
}
}  // namespace

void setApplicationTitle(std::string t) { title() = std::move(t); }
const std::string& applicationTitleText() { return title(); }

void showHandlerError(const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title()),
                    QString::fromStdString(handlerErrorText(message)), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace qc
