#pragma once
// A caption of our own for the fixed-size windows, where the desktop's would offer a maximise
// button that can't work: Qt's own decorations under Wayland always draw one and maximise on it
// (the compositor then ends a window that can't take the size), and openbox's frame draws one on
// every window, fixed or not. There the window goes frameless and carries this bar: its icon and
// caption, minimise and close; a drag moves the window, a double-click does nothing.

#include <QWidget>

class QAbstractButton;

namespace qc {

class CaptionBar : public QWidget {
    Q_OBJECT
public:
    explicit CaptionBar(QWidget* window);
    static constexpr int kHeight = 22;

    QAbstractButton* minimiseButton() const { return minimise_; }
    QAbstractButton* closeButton() const { return close_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;

private:
    QAbstractButton* minimise_;
    QAbstractButton* close_;
};

// Whether the desktop this process runs on would offer a dead maximise button (see above).
bool desktopOffersDeadMaximise();

// For a fixed-size window not yet shown: where the desktop would offer a dead maximise button,
// makes it frameless with a CaptionBar across its top and returns the bar, else nullptr. Whoever
// maximises it (a decoration's button, a window manager asked to), it goes back to its size.
CaptionBar* frameFixedWindow(QWidget* window);

}  // namespace qc
