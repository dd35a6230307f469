// The command line: help and version without a window, paths made absolute,
// usage errors, and aligning a script with its recording without a window.
#include "app/CommandLine.h"
#include "blockfile/BlockFile.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

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

// Unknown options are usage errors, not files to open; -- ends the options;
// Qt's own options are passed over; --align takes two names and --output.
TEST(CommandLine, UnknownOptionsAreUsageErrorsAndDashDashEndsTheOptions) {
    for (const QStringList& args : {QStringList{"-v"}, QStringList{"--bogus"}, QStringList{"a.mp3", "-x"},
                                    QStringList{"--output", "b.bsd", "a.mp3"}, QStringList{"--align", "s.txt"},
                                    QStringList{"--align", "s.txt", "a.mp3", "b.mp3"},
                                    QStringList{"--align", "s.txt", "a.mp3", "--output"},
                                    QStringList{"--align", "s.txt", "a.mp3", "--fast"}}) {
        const CommandLine c = readCommandLine(args, "/home/u");
        EXPECT_EQ(c.action, CommandLine::Action::Fail) << args.join(' ').toStdString();
        EXPECT_TRUE(c.openPath.isEmpty());
        EXPECT_TRUE(c.output.startsWith("qm5: ") && c.output.endsWith("Try 'qm5 --help' for more information.\n"))
            << c.output.toStdString();
    }
    EXPECT_TRUE(readCommandLine({"--bogus"}, "/").output.contains("'--bogus'"));

    EXPECT_EQ(readCommandLine({"--", "-file.mp3"}, "/home/u").openPath, "/home/u/-file.mp3");
    EXPECT_EQ(readCommandLine({"--", "--help"}, "/home/u").openPath, "/home/u/--help");
    EXPECT_EQ(readCommandLine({"-platform", "offscreen", "-session", "1a2b", "-reverse", "a.mp3"}, "/home/u").openPath,
              "/home/u/a.mp3");
    EXPECT_EQ(readCommandLine({"--style=fusion", "a.mp3"}, "/home/u").openPath, "/home/u/a.mp3");

    const CommandLine align = readCommandLine({"--align", "s.txt", "--output=out/b.bsd", "--", "-a.mp3"}, "/home/u");
    EXPECT_EQ(align.action, CommandLine::Action::Align);
    EXPECT_EQ(align.scriptPath, "/home/u/s.txt");
    EXPECT_EQ(align.mediaPath, "/home/u/-a.mp3");
    EXPECT_EQ(align.alignOutput, "/home/u/out/b.bsd");
    EXPECT_TRUE(readCommandLine({"--align", "/l/s.txt", "/l/a.mp3"}, "/").alignOutput.isEmpty());
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

struct Ran {
    int exitCode = -1;
    QString out, err;
};

// The program with arguments, without a window system, as from a terminal in dir.
Ran runProgram(const QStringList& arguments, const QString& dir) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(QM5_PROGRAM), arguments);
    Ran r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
        r.err = QStringLiteral("did not end: ") + QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray contentsOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// The real program: usage errors end with status 2 and a hint; --align
// refuses what it cannot read with a message and a non-zero status, writes
// the block file beside the media and never over one that is there; that
// block file exported with --export-anki gives a package of its three notes,
// again and again, and what is no lesson is refused.
TEST(CommandLine, TheProgramRefusesBadArgumentsAlignsAndExportsWithoutAWindowOrOverwriting) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QStringList& args : {QStringList{"-v"}, QStringList{"--bogus", "a.mp3"}, QStringList{"--align", "s.txt"},
                                    QStringList{"--export-anki"}, QStringList{"--export-anki", "a.bsd", "--align"}}) {
        const Ran r = runProgram(args, dir.path());
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("qm5 --help")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }

    // Three sentences made with espeak-ng, and a script with a fourth line the recording lacks.
    const QString made = dir.filePath("made");
    const std::string make = "'" QM5_SOURCE_DIR "/bench/align/make-align-lessons.sh' '" + made.toStdString() + "' 3 2";
    ASSERT_EQ(std::system(make.c_str()), 0);
    ASSERT_TRUE(QFile::copy(made + "/clean.mp3", dir.filePath("lesson.mp3")));
    ASSERT_TRUE(QFile::copy(made + "/script.txt", dir.filePath("script.txt")));
    QFile empty(dir.filePath("empty.txt"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly) && empty.write(" \n\n") == 3);
    empty.close();

    const struct {
        QStringList args;
        const char* says;
    } refused[] = {{{"--align", "missing.txt", "lesson.mp3"}, "missing.txt"},
                   {{"--align", "script.txt", "missing.mp3"}, "missing.mp3"},
                   {{"--align", "empty.txt", "lesson.mp3"}, "no sentences"},
                   {{"--align", "script.txt", "script.txt", "--output", "x.bsd"}, "script.txt"}};
    for (const auto& c : refused) {
        const Ran r = runProgram(c.args, dir.path());
        EXPECT_NE(r.exitCode, 0) << c.args.join(' ').toStdString();
        EXPECT_NE(r.exitCode, -1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("x.bsd")));
    EXPECT_FALSE(QFile::exists(dir.filePath("lesson.bsd")));

    const Ran aligned = runProgram({"--align", "script.txt", "lesson.mp3"}, dir.path());
    ASSERT_EQ(aligned.exitCode, 0) << aligned.err.toStdString();
    EXPECT_TRUE(aligned.err.contains("100%")) << aligned.err.toStdString();
    EXPECT_TRUE(aligned.out.contains("3 of 4 sentences placed in 3 blocks; not placed: line ")) << aligned.out.toStdString();
    const QByteArray written = contentsOf(dir.filePath("lesson.bsd"));
    const auto parsed = qm::blockfile::parse(written.toStdString());
    ASSERT_EQ(parsed.status, qm::blockfile::ParseStatus::Ok) << written.toStdString();
    EXPECT_EQ(parsed.data.mediaPath, dir.filePath("lesson.mp3").toStdString());
    EXPECT_EQ(parsed.data.separators.size(), 4u);
    EXPECT_EQ(parsed.data.separators.back(), parsed.data.mediaLength);
    EXPECT_EQ(parsed.data.memoLines.at(0), "The quick brown fox jumps over the lazy dog.");

    // Once more: the block file there is kept as it is.
    const Ran again = runProgram({"--align", "script.txt", "lesson.mp3"}, dir.path());
    EXPECT_NE(again.exitCode, 0);
    EXPECT_TRUE(again.err.contains("lesson.bsd")) << again.err.toStdString();
    EXPECT_EQ(contentsOf(dir.filePath("lesson.bsd")), written);

    for (int round = 0; round < 2; ++round) {
        const Ran exported = runProgram({"--export-anki", "lesson.bsd", "--output", "deck.apkg"}, dir.path());
        ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
        EXPECT_EQ(exported.out, dir.filePath("deck.apkg") + ": 3 notes in the deck lesson\n");
        EXPECT_TRUE(contentsOf(dir.filePath("deck.apkg")).startsWith("PK\x03\x04"));
    }
    for (const auto& [args, says] : {std::pair{QStringList{"--export-anki", "missing.bsd"}, "missing.bsd"},
                                     std::pair{QStringList{"--export-anki", "script.txt"}, "no block file"}}) {
        const Ran r = runProgram(args, dir.path());
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(says)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("QM4.ini")));
}

}  // namespace
