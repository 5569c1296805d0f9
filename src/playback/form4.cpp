#include "playback/form4.h"

#include <QGuiApplication>
#include <QScreen>

namespace qc {

namespace {
// Holds the movie's address until the Flash engine is built in; plays nothing.
class MovieAddress : public FlashControl {
public:
    void setMovie(const std::string& address) override { movie_ = address; }

private:
    std::string movie_;
};
}  // namespace

TForm4::TForm4() : flash_(std::make_unique<MovieAddress>()) {
    setObjectName("Form4");
    setWindowTitle("休闲游戏");
    setGeometry(204, 157, 544, 375);
}

TForm4::~TForm4() = default;

void TForm4::firstShow() {
    showMaximized();
    // Without a window manager there is nobody to maximise it: take the whole work area.
    if (!isMaximized()) setGeometry((screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry());
}

}  // namespace qc
