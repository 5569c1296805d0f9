#include "shared/child_environment.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <map>
#include <optional>

namespace qc {

namespace {

// Each variable we set, with the user's value from before (none if it was unset). Set at start-up,
// before any other thread runs.
std::map<QByteArray, std::optional<QByteArray>>& usersValues() {
    static std::map<QByteArray, std::optional<QByteArray>> values;
    return values;
}

}  // namespace

void setOwnVariable(const char* name, const QByteArray& value) {
    if (!usersValues().count(name))
        usersValues()[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    qputenv(name, value);
}

bool startDetachedAsUser(const QString& program, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : usersValues()) {
        if (value) environment.insert(QString::fromLocal8Bit(name), QString::fromLocal8Bit(*value));
        else environment.remove(QString::fromLocal8Bit(name));
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    return process.startDetached();
}

}  // namespace qc
