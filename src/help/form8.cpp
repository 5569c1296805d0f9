#include "help/form8.h"

namespace qc {

TForm8::TForm8() {
    setObjectName("Form8");
    setWindowTitle("关于");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(266, 196);
}

void TForm8::firstShow() {
    move(310, 109);
    show();
}

}  // namespace qc
