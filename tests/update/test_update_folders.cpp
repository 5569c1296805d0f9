// The update check's folders on this system: which the user may write, the cache by the XDG rules,
// folders made for the user, the private library folder beside bin/.

#include "update/update_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <filesystem>
#include <optional>
#include <string>

#include "files.h"

namespace {

class FoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qc-folders-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
        std::filesystem::remove_all(dir);
    }
    // Root passes every permission check: an ordinary file-system identity for the call.
    template <class F> auto asOrdinaryUser(F f) {
        const bool root = ::geteuid() == 0;
        if (root) ::setfsuid(65534);
        auto result = f();
        if (root) ::setfsuid(0);
        return result;
    }
    static mode_t modeOf(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }

    qc::QtUpdateFolders folders;
    std::string dir;
};

// Sets an environment variable for one scope, and puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = ::getenv(name)) old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST_F(FoldersTest, ExecutableAndPrivateLibraryFoldersFollowTheExecutable) {
    const QString here = QCoreApplication::applicationDirPath();
    EXPECT_EQ(folders.executableFolder(), here.toStdString() + "/");
    // <prefix>/bin/x → <prefix>/lib/<triplet>/qingchuan/, spelt without "..".
    const QString parent = QDir::cleanPath(here + "/..");
    EXPECT_EQ(folders.privateLibraryFolder(), parent.toStdString() + "/" QINGCHUAN_MODULE_RELDIR "/");
}

TEST_F(FoldersTest, TheCacheFolderFollowsXdgCacheHomeElseHome) {
    const ScopedEnv home("HOME", (dir + "/home").c_str());
    {
        const ScopedEnv cache("XDG_CACHE_HOME", (dir + "/xdg").c_str());
        EXPECT_EQ(folders.cacheFolder(), dir + "/xdg/qingchuan/");
    }
    {
        const ScopedEnv cache("XDG_CACHE_HOME", nullptr);
        EXPECT_EQ(folders.cacheFolder(), dir + "/home/.cache/qingchuan/");
    }
    {
        // A relative value is to be ignored.
        const ScopedEnv cache("XDG_CACHE_HOME", "relative/cache");
        EXPECT_EQ(folders.cacheFolder(), dir + "/home/.cache/qingchuan/");
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/home"));  // naming the folder doesn't make it
    const ScopedEnv cache("XDG_CACHE_HOME", nullptr);
    const ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(folders.cacheFolder(), "");
    const ScopedEnv relativeHome("HOME", "home");
    EXPECT_EQ(folders.cacheFolder(), "");
}

TEST_F(FoldersTest, CanWriteToFoldersThisUserMayChange) {
    ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
    EXPECT_TRUE(asOrdinaryUser([&] { return folders.canWriteTo(dir + "/"); }));
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    EXPECT_FALSE(asOrdinaryUser([&] { return folders.canWriteTo(dir + "/"); }));
    ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
    EXPECT_TRUE(folders.canWriteTo(dir + "/"));
    EXPECT_FALSE(folders.canWriteTo(dir + "/absent/"));
    qctest::writeFile(dir + "/file", "x");
    EXPECT_FALSE(folders.canWriteTo(dir + "/file/"));
}

TEST_F(FoldersTest, MakeFolderMakesTheMissingOnesForTheUserAlone) {
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    EXPECT_TRUE(folders.makeFolder(dir + "/a/b/qingchuan/"));
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/a/b/qingchuan"));
    EXPECT_EQ(modeOf(dir + "/a"), 0700u);
    EXPECT_EQ(modeOf(dir + "/a/b/qingchuan"), 0700u);
    EXPECT_EQ(modeOf(dir), 0755u);                             // what was there stays as it was
    EXPECT_TRUE(folders.makeFolder(dir + "/a/b/qingchuan/"));  // again: already there
    EXPECT_TRUE(folders.makeFolder(dir + "/c"));               // no separator at the end
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/c"));
}

TEST_F(FoldersTest, MakeFolderFailsWhereItCannot) {
    qctest::writeFile(dir + "/file", "x");
    EXPECT_FALSE(folders.makeFolder(dir + "/file/qingchuan/"));
    EXPECT_FALSE(folders.makeFolder(""));
    EXPECT_FALSE(folders.makeFolder("relative/qingchuan/"));
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    EXPECT_FALSE(asOrdinaryUser([&] { return folders.makeFolder(dir + "/x/qingchuan/"); }));
    EXPECT_FALSE(std::filesystem::exists(dir + "/x"));
}

TEST_F(FoldersTest, IsFileOnlyForFiles) {
    qctest::writeFile(dir + "/update.exe", "#!/bin/sh\n");
    EXPECT_TRUE(folders.isFile(dir + "/update.exe"));
    EXPECT_FALSE(folders.isFile(dir));
    EXPECT_FALSE(folders.isFile(dir + "/absent.exe"));
}
