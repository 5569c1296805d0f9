#include "update/qt_update.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QWidget>

#include "core/text/gbk.h"
#include "shared/child_environment.h"

namespace qc {

namespace {

// QMessageBox centres itself on its parent; these boxes go to the middle of the screen.
class ScreenCentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e);
        if (e->spontaneous()) return;
        QScreen* s = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (!s) return;
        const QRect area = s->availableGeometry();
        const QSize size = frameGeometry().size();
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
};

std::string replaceAll(std::string s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s.compare(i, from.size(), from) == 0) {
            out += to;
            i += from.size();
        } else {
            out += s[i++];
        }
    }
    return out;
}

}  // namespace

void QtMessageBoxes::show(MessageKind kind, const std::string& textUtf8) {
    const bool info = kind == MessageKind::Information;
    ScreenCentredBox box(info ? QMessageBox::Information : QMessageBox::Question,
                         info ? QStringLiteral("Information") : QStringLiteral("Confirm"),
                         QString::fromStdString(textUtf8), QMessageBox::NoButton, parent_);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    ok->setText(QStringLiteral("OK"));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);  // Escape and the close box press it too
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtMemo::setText(const std::string& gbk) {
    // One line break inside the widget for each CR LF of the port.
    const std::string lines = replaceAll(replaceAll(gbk, "\r\n", "\n"), "\r", "\n");
    m_.setPlainText(QString::fromStdString(gbkToUtf8(lines)));
}

std::string QtMemo::text() const { return utf8ToGbk(replaceAll(m_.toPlainText().toStdString(), "\n", "\r\n")); }

void QtTimer::disable() { t_.stop(); }

std::string QtUpdateHost::caption() const { return window_.windowTitle().toStdString(); }

void QtUpdateHost::closeMainWindow() { window_.close(); }

void DetachedLauncher::startDetached(const std::string& program) {
    startDetachedAsUser(QString::fromStdString(program), {});
}

MainWindowUpdate::MainWindowUpdate(QWidget& mainWindow, QPlainTextEdit& m, QTimer& Timer1, std::string address,
                                   UpdateAdapters adapters)
    : memo_(m),
      boxes_(&mainWindow),
      host_(mainWindow),
      timer_(Timer1),
      ports_{std::move(address), adapters.download, memo_, boxes_, host_, adapters.folders, adapters.launcher} {}

void MainWindowUpdate::Image3Click() { interactiveCheck(ports_); }

void MainWindowUpdate::Timer1Timer() { silentCheck(ports_, timer_); }

}  // namespace qc
