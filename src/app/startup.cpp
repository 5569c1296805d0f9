#include "app/startup.h"

#include <cxxabi.h>

#include <QFileInfo>
#include <QMessageBox>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "core/app/app_text.h"
#include "shared/child_environment.h"

namespace qc {

namespace {

std::string kindOf(const std::exception& e) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status),
                                                std::free);
    return status == 0 && name ? name.get() : typeid(e).name();
}

}  // namespace

void addPlatformFallbacks() {
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    if (asked.isEmpty()) return;
    QByteArrayList platforms = asked.split(';');
    for (const char* fallback : {"wayland", "xcb"})
        if (!platforms.contains(fallback)) platforms.append(fallback);
    setOwnVariable("QT_QPA_PLATFORM", platforms.join(';'));
}

int reportStartupFailure(const std::exception& e, const QString& executable, const void* where) {
    QMessageBox box(QMessageBox::Critical, "Application Error",
                    QString::fromStdString(startupErrorText(kindOf(e), QFileInfo(executable).fileName().toStdString(),
                                                            reinterpret_cast<std::uintptr_t>(where), e.what())),
                    QMessageBox::Ok);
    box.exec();
    return 1;
}

}  // namespace qc
