#include "shared/picture.h"

#include <QMouseEvent>

namespace qc {

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(e);
}

TImage::TImage(QWidget* parent, const QString& name, const QString& resource, QRect box) : ClickLabel(parent) {
    setObjectName(name);
    setGeometry(box);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setPixmap(QPixmap(resource));
}

}  // namespace qc
