#pragma once
// A picture drawn from the top-left corner of its box, clipped, optionally clickable.

#include <QLabel>
#include <functional>

namespace qc {

class TImage : public QLabel {
public:
    TImage(QWidget* parent, const QString& name, const QString& resource, QRect box);
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

}  // namespace qc
