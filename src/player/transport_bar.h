#pragma once
// The bar under the picture: position, play/pause, stop, the status line, the time, mute and
// volume. It only shows; the player decides what its buttons do.

#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

namespace qc {

class TransportBar : public QWidget {
public:
    explicit TransportBar(QWidget* parent);

    void showPlaying(bool playing);  // the play/pause button's glyph and tip
    void showMuted(bool muted);
    void showStatus(const QString& text);
    // Where the clip is (0..1) and the times; the slider moves only for what can be sought.
    void showPosition(bool seekable, float position, qint64 nowMs, qint64 lengthMs);
    void clearPosition();

    QSlider* position = nullptr;
    QToolButton* playPause = nullptr;
    QToolButton* stop = nullptr;
    QToolButton* mute = nullptr;
    QSlider* volume = nullptr;
    QLabel* statusLabel = nullptr;
    QLabel* timeLabel = nullptr;

protected:
    void paintEvent(QPaintEvent*) override;
};

}  // namespace qc
