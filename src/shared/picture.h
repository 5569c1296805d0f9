#pragma once
// A label that can be clicked, and a picture drawn from the top-left corner of its box, clipped.

#include <QLabel>
#include <QPixmap>

namespace qc {

// A picture of the resources for a screen of `ratio` device pixels to a pixel: the 1x bitmap, or
// above 1x its 2x drawing ("name@2x.png" beside it), smoothly scaled where the ratio is not 2.
QPixmap pictureFor(const QString& resource, qreal ratio);

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    // A left-button press released inside the label.
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

class TImage : public ClickLabel {
    Q_OBJECT
public:
    TImage(QWidget* parent, const QString& name, const QString& resource, QRect box);

    // A picture button: a pointing hand and a tip for the mouse, and for assistive technology a
    // button of that name whose press action clicks it.
    void makeButton(const QString& words);
};

}  // namespace qc
