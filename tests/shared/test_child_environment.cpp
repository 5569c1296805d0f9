// Programs the viewer starts get the user's own environment, not the switches it set for its
// engines.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "clips.h"
#include "shared/child_environment.h"

namespace {

// What a program started now sees of the variables QC_USERS and QC_NEW ("-" when unset).
QString childSees() {
    QTemporaryDir dir;
    const QString out = dir.filePath("seen");
    const bool started = qc::startDetachedAsUser(
        "/bin/sh",
        {"-c", "printf '%s %s' \"${QC_USERS--}\" \"${QC_NEW--}\" >\"$0.part\" && mv \"$0.part\" \"$0\"", out});
    if (!started) return "not started";
    if (!qctest::waitUntil([&] { return QFile::exists(out); }, 10000)) return "nothing written";
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly)) return "unreadable";
    return QString::fromLocal8Bit(f.readAll());
}

}  // namespace

// One process, one record of the user's values: the cases run in order in one test.
TEST(ChildEnvironment, ProgramsGetTheUsersValuesWhileThisProcessKeepsItsOwn) {
    qputenv("QC_USERS", "users");
    qunsetenv("QC_NEW");
    EXPECT_EQ(childSees(), "users -");

    qc::setOwnVariable("QC_USERS", "ours");
    qc::setOwnVariable("QC_NEW", "ours too");
    EXPECT_EQ(qgetenv("QC_USERS"), "ours");
    EXPECT_EQ(qgetenv("QC_NEW"), "ours too");
    EXPECT_EQ(childSees(), "users -");

    // Set again, the user's value is still the one from before the first time.
    qc::setOwnVariable("QC_USERS", "ours again");
    EXPECT_EQ(qgetenv("QC_USERS"), "ours again");
    EXPECT_EQ(childSees(), "users -");

    EXPECT_FALSE(qc::startDetachedAsUser("/nonexistent/program", {}));
}
