// The floor for start-up: a bare Qt window of the viewer's size with the same menu bar, built
// from the same catalogue, and nothing else.

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "core/app/app_text.h"
#include "core/catalogue/catalogue.h"

namespace {

void add(QMenu* menu, const qc::Entry& group) {
    for (const qc::Entry& e : group.children) {
        if (!e.visible) continue;
        if (e.isGroup()) add(menu->addMenu(QString::fromStdString(e.caption)), e);
        else menu->addAction(QString::fromStdString(e.caption));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QString::fromUtf8(qc::kMainCaption.data(), qc::kMainCaption.size()));
    auto* client = new QWidget(&w);
    client->setFixedSize(588, 341);
    w.setCentralWidget(client);
    for (const qc::Entry& m : qc::Catalogue::builtIn().menus())
        if (m.visible) add(w.menuBar()->addMenu(QString::fromStdString(m.caption)), m);
    w.show();
    return app.exec();
}
