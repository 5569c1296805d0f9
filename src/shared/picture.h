#pragma once
// A label that can be clicked, and a picture drawn from the top-left corner of its box, clipped.

#include <QLabel>

namespace qc {

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
