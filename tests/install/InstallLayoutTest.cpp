// Where the program takes itself to lie, and what follows: the module it loads
// and the folder its settings go to. No application object: --version runs
// without one.
#include "common/InstallLayout.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using qm::install::Layout;

const QString kModule = QStringLiteral(QM5_BROWSER_MODULE_FILE);

void touch(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

// A folder with the module beside the program is its own; without it the
// program looks in the installed library folder, found or not.
TEST(InstallLayout, TheModuleBesideTheProgramMarksItsOwnFolderElseTheInstalledOneIsTaken) {
    QTemporaryDir dir;
    const QString own = dir.filePath("own");
    touch(own + "/" + kModule);
    EXPECT_EQ(qm::install::layoutOf(own), Layout::OwnFolder);
    EXPECT_EQ(qm::install::browserModulePath(own), own + "/" + kModule);

    const QString prefix = dir.filePath("prefix");
    ASSERT_TRUE(QDir().mkpath(prefix + "/bin"));
    const QString installed = prefix + "/" QM5_MODULE_INSTALL_DIR "/" + kModule;
    EXPECT_EQ(qm::install::layoutOf(prefix + "/bin"), Layout::Installed);
    EXPECT_EQ(qm::install::browserModulePath(prefix + "/bin"), installed);  // not there yet
    touch(installed);
    EXPECT_EQ(qm::install::browserModulePath(prefix + "/bin"), installed);
    // A module of the same name elsewhere in the prefix does not make bin/ a folder of its own.
    touch(prefix + "/" + kModule);
    EXPECT_EQ(qm::install::layoutOf(prefix + "/bin"), Layout::Installed);

    EXPECT_EQ(qm::install::layoutOf(QString()), Layout::Installed);
}

// An installed program writes no settings beside itself, even where it could
// (installed by root into a temporary prefix); a folder of its own keeps them.
TEST(InstallLayout, SettingsStayBesideTheProgramOnlyInAWritableFolderOfItsOwn) {
    QTemporaryDir dir;
    const QString config = dir.filePath("config/QM5");
    const QString own = dir.filePath("own");
    touch(own + "/" + kModule);
    EXPECT_EQ(qm::install::settingsFolder(own, config), own);

    const QString bin = dir.filePath("prefix/bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QFileInfo(bin).isWritable());
    EXPECT_EQ(qm::install::settingsFolder(bin, config), config);
}

// This test lies in the build tree beside the module, as the program does.
TEST(InstallLayout, TheRunningProgramKnowsItsFolderWithoutAnApplicationObject) {
    EXPECT_EQ(qm::install::executableFolder(), QStringLiteral(QM5_TEST_FOLDER));
    EXPECT_FALSE(qm::install::runsInstalled());
    EXPECT_EQ(qm::install::browserModulePath(), QStringLiteral(QM5_TEST_FOLDER "/") + kModule);
}

}  // namespace
