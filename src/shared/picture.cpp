#include "shared/picture.h"

#include <QAccessibleWidget>
#include <QMouseEvent>

namespace qc {

namespace {

// What assistive technology sees of a picture button: a push button with a press action.
class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(ClickLabel* label) : QAccessibleWidget(label, QAccessible::Button) {}
    // Its words, as the tip shows them.
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? widget()->toolTip() : QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    // Queued, as a button's animated click is: the handler may open a modal box, and the caller
    // is owed its answer before that.
    void doAction(const QString& action) override {
        if (action != pressAction() || !widget()->isEnabled()) return;
        auto* label = static_cast<ClickLabel*>(widget());
        QMetaObject::invokeMethod(label, &ClickLabel::clicked, Qt::QueuedConnection);
    }
};

constexpr char kButtonProperty[] = "qcPictureButton";

QAccessibleInterface* pictureButtons(const QString&, QObject* object) {
    auto* label = qobject_cast<ClickLabel*>(object);
    return label && label->property(kButtonProperty).toBool() ? new PictureButtonAccessible(label) : nullptr;
}

}  // namespace

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(e);
}

TImage::TImage(QWidget* parent, const QString& name, const QString& resource, QRect box) : ClickLabel(parent) {
    setObjectName(name);
    setGeometry(box);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setPixmap(pictureFor(resource, devicePixelRatioF()));
}

QPixmap pictureFor(const QString& resource, qreal ratio) {
    if (ratio <= 1) return QPixmap(resource);
    QString fine = resource;
    fine.replace(fine.lastIndexOf('.'), fine.size(), "@2x.png");
    QPixmap p(fine);
    if (p.isNull()) return QPixmap(resource);
    if (ratio != 2) {
        const QSize logical = p.size() / 2;
        p = p.scaled(qRound(logical.width() * ratio), qRound(logical.height() * ratio), Qt::IgnoreAspectRatio,
                     Qt::SmoothTransformation);
    }
    p.setDevicePixelRatio(ratio);
    return p;
}

void TImage::makeButton(const QString& words) {
    static const bool factoryInstalled = (QAccessible::installFactory(pictureButtons), true);
    (void)factoryInstalled;
    setProperty(kButtonProperty, true);
    setCursor(Qt::PointingHandCursor);
    // The name is the tip's: setting an accessible name of its own would start the desktop's
    // accessibility bridge during start-up (4 ms measured).
    setToolTip(words);
}

}  // namespace qc
