#include "app/picture.h"

#include <QMouseEvent>

namespace qc {

TImage::TImage(QWidget* parent, const QString& name, const QString& resource, QRect box) : QLabel(parent) {
    setObjectName(name);
    setGeometry(box);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setPixmap(QPixmap(resource));
}

void TImage::mouseReleaseEvent(QMouseEvent* e) {
    if (onClick && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) onClick();
    QLabel::mouseReleaseEvent(e);
}

}  // namespace qc
