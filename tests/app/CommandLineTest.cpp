// The command line: help and version without a window, paths made absolute.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using qm::CommandLine;
using qm::readCommandLine;

TEST(CommandLine, HelpAndVersionPrintAndEveryPathIsAbsolute) {
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"a.mp3", "--help"}}) {
        const CommandLine c = readCommandLine(args, "/home/u");
        EXPECT_EQ(c.action, CommandLine::Action::Print);
        EXPECT_TRUE(c.output.startsWith("Usage: qm5")) << c.output.toStdString();
    }
    // This test lies beside the web engine module, as the program does in the build tree.
    EXPECT_EQ(readCommandLine({"--version"}, "/").output,
              "QM5 " QM5_VERSION "\nweb engine module: " QM5_BROWSER_MODULE "\n");

    EXPECT_EQ(readCommandLine({"lessons/a.mp3", "ignored"}, "/home/u").openPath, "/home/u/lessons/a.mp3");
    EXPECT_EQ(readCommandLine({"../b.bsd"}, "/home/u/x").openPath, "/home/u/b.bsd");
    EXPECT_EQ(readCommandLine({"/abs/c.wma"}, "/home/u").openPath, "/abs/c.wma");
    EXPECT_EQ(readCommandLine({"http://h/a.mp3?x=1"}, "/home/u").openPath, "http://h/a.mp3?x=1");
    EXPECT_EQ(readCommandLine({}, "/home/u").action, CommandLine::Action::Run);
    EXPECT_TRUE(readCommandLine({""}, "/home/u").openPath.isEmpty());
}

// Runs the program with --version and no window system at all.
QString versionOf(const QString& program) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");  // no window system is needed for this
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(program, {"--version"});
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return QStringLiteral("failed: ") + QString::fromUtf8(p.readAllStandardError());
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The real program, copied to a folder of its own so that its settings file
// would land there: --version prints and ends before any window or history,
// and names the module it would load. Alone in its folder it takes itself for
// installed and looks under lib/; with the module beside it, it takes that.
TEST(CommandLine, TheProgramPrintsItsVersionAndModuleWithoutAWindowOrAHistoryEntry) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("bin"));
    const QString bin = dir.filePath("bin");
    const QString program = bin + "/qm5";
    ASSERT_TRUE(QFile::copy(QStringLiteral(QM5_PROGRAM), program));
    const QString moduleName = QFileInfo(QStringLiteral(QM5_BROWSER_MODULE)).fileName();

    const QString installed =
        QDir::cleanPath(bin + "/" QM5_MODULE_DIR_FROM_BINDIR "/" + moduleName);
    EXPECT_TRUE(installed.startsWith(dir.path() + "/")) << installed.toStdString();
    EXPECT_EQ(versionOf(program), "QM5 " QM5_VERSION "\nweb engine module: missing: " + installed + "\n");

    ASSERT_TRUE(QDir().mkpath(QFileInfo(installed).absolutePath()));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QM5_BROWSER_MODULE), installed));
    EXPECT_EQ(versionOf(program), "QM5 " QM5_VERSION "\nweb engine module: " + installed + "\n");

    ASSERT_TRUE(QFile::copy(QStringLiteral(QM5_BROWSER_MODULE), bin + "/" + moduleName));
    EXPECT_EQ(versionOf(program), "QM5 " QM5_VERSION "\nweb engine module: " + bin + "/" + moduleName + "\n");
    EXPECT_FALSE(QFile::exists(bin + "/QM4.ini"));
}

}  // namespace
