// The command line: help and version without a window, paths made absolute.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
    EXPECT_EQ(readCommandLine({"--version"}, "/").output, "QM5 " QM5_VERSION "\n");

    EXPECT_EQ(readCommandLine({"lessons/a.mp3", "ignored"}, "/home/u").openPath, "/home/u/lessons/a.mp3");
    EXPECT_EQ(readCommandLine({"../b.bsd"}, "/home/u/x").openPath, "/home/u/b.bsd");
    EXPECT_EQ(readCommandLine({"/abs/c.wma"}, "/home/u").openPath, "/abs/c.wma");
    EXPECT_EQ(readCommandLine({"http://h/a.mp3?x=1"}, "/home/u").openPath, "http://h/a.mp3?x=1");
    EXPECT_EQ(readCommandLine({}, "/home/u").action, CommandLine::Action::Run);
    EXPECT_TRUE(readCommandLine({""}, "/home/u").openPath.isEmpty());
}

// The real program, copied to a folder of its own so that its settings file
// would land there: --version prints and ends before any window or history.
TEST(CommandLine, TheProgramPrintsItsVersionWithoutAWindowOrAHistoryEntry) {
    QTemporaryDir dir;
    const QString program = dir.filePath("qm5");
    ASSERT_TRUE(QFile::copy(QStringLiteral(QM5_PROGRAM), program));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");  // no window system is needed for this
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(program, {"--version"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), "QM5 " QM5_VERSION "\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("QM4.ini")));
}

}  // namespace
