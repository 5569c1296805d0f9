#include "help/form8.h"

#include <QLabel>

#include "shared/caption_bar.h"
#include "shared/guard.h"
#include "shared/picture.h"

namespace qc {

namespace {

QFont windowFont(int pixels) {
    QFont f("MS Sans Serif");
    f.setPixelSize(pixels);
    return f;
}

ClickLabel* label(QWidget* parent, const char* name, int left, int top, const QString& text, const QFont& font,
                  const QColor& colour) {
    auto* l = new ClickLabel(text, parent);
    l->setObjectName(name);
    l->setFont(font);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    l->move(left, top);
    return l;
}

}  // namespace

TForm8::TForm8(Shell& shell) : shell_(shell) {
    setObjectName("Form8");
    setWindowTitle("关于");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The client area: the labels' parent, below our own caption where the desktop needs one.
    auto* client = new QWidget(this);
    client->setObjectName("client");
    client->setGeometry(0, 0, 266, 196);
    if (frameFixedWindow(this)) client->move(0, CaptionBar::kHeight);
    setFixedSize(266, client->geometry().bottom() + 1);
    // The desktop's colour for the text of inactive captions.
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(216, 228, 248));
    setPalette(p);
    setAutoFillBackground(true);

    const QFont font = windowFont(11);
    const QColor text = palette().color(QPalette::WindowText);
    QFont title = windowFont(13);
    title.setUnderline(true);
    Label3 = label(client, "Label3", 72, 16, "晴川影音同乐会            ", title, QColor(0, 0, 128));
    Label1 = label(client, "Label1", 32, 48, "版权所有 © 2004-2026 晴川工作室", font, text);
    Label4 = label(client, "Label4", 32, 96, "制作：晴川工作室", font, text);
    ClickLabel* mail = label(client, "Label5", 32, 120, QString("电子邮件：") + kMakerMail, font, text);
    Label5 = mail;
    Label6 = label(client, "Label6", 32, 144, "QQ：20046688", font, Qt::black);
    Label7 =
        label(client, "Label7", 8, 168, "请实时升级更新，更多精彩频道等着你。            ", font, QColor(128, 0, 0));
    connectGuarded(mail, &ClickLabel::clicked, this, [this] { Label5Click(); });
}

void TForm8::Label5Click() { shell_.open(std::string("mailto:") + kMakerMail); }

void TForm8::firstShow() {
    // Each label is as large as its own text, trailing blanks included. Measured only now: laying
    // out these fonts costs milliseconds that start-up needn't spend on a hidden window.
    for (QLabel* l : {Label3, Label1, Label4, Label5, Label6, Label7}) l->adjustSize();
    move(310, 109);
    show();
}

}  // namespace qc
