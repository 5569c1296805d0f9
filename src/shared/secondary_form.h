#pragma once
// A secondary window: created hidden, shown without being modal, hidden (never destroyed) when
// closed. Its first showing places it; later showings bring it back where the user left it.

#include <QWidget>

#include "core/ports/secondary_window.h"

namespace qc {

class SecondaryForm : public QWidget, public SecondaryWindow {
public:
    explicit SecondaryForm(QWidget* parent = nullptr) : QWidget(parent, Qt::Window) {}
    void showWindow() override;

protected:
    // Shows the window the first time: at its designed place, maximised, or centred.
    virtual void firstShow() = 0;

private:
    bool shownBefore_ = false;
};

}  // namespace qc
