#pragma once
// Variables this process sets for its own engines, and for them only: the programs it starts (the
// desktop's default program, the updater) get the user's own environment, not our switches.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qc {

// Sets `name` in this process. Programs started with startDetachedAsUser get the value it had
// before the first such call, or none.
void setOwnVariable(const char* name, const QByteArray& value);

// Starts `program` with `arguments`, detached, in the user's own environment; false if it could not.
bool startDetachedAsUser(const QString& program, const QStringList& arguments);

}  // namespace qc
