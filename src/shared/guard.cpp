#include "shared/guard.h"

#include <QApplication>
#include <QMessageBox>

#include "core/app/app_text.h"

namespace qc {

namespace {
// Kept on the application object too: the games engine module builds this file in, and its own
// copy of a static would be empty.
constexpr char kTitleProperty[] = "qingchuanTitle";

std::string& title() {
    static std::string t;
    if (t.empty() && qApp) t = qApp->property(kTitleProperty).toString().toStdString();
    return t;
}
}  // namespace

void setApplicationTitle(std::string t) {
    if (qApp) qApp->setProperty(kTitleProperty, QString::fromStdString(t));
    title() = std::move(t);
}
const std::string& applicationTitleText() { return title(); }

void showHandlerError(const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title()),
                    QString::fromStdString(handlerErrorText(message)), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace qc
