#include "app/startup.h"

#include <cxxabi.h>

#include <QFileInfo>
#include <QMessageBox>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "core/app/app_text.h"

namespace qc {

namespace {

std::string kindOf(const std::exception& e) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status),
                                                std::free);
    return status == 0 && name ? name.get() : typeid(e).name();
}

}  // namespace

int reportStartupFailure(const std::exception& e, const QString& executable, const void* where) {
    QMessageBox box(QMessageBox::Critical, "Application Error",
                    QString::fromStdString(startupErrorText(kindOf(e), QFileInfo(executable).fileName().toStdString(),
                                                            reinterpret_cast<std::uintptr_t>(where), e.what())),
                    QMessageBox::Ok);
    box.exec();
    return 1;
}

}  // namespace qc
