// The media keys: another process talks to the MPRIS service over a private
// session bus (the test runs under dbus-run-session) and steers the practice.
#include "mpris/MprisService.h"
#include "session/PracticeSession.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using qm::PracticeSession;

class NoPrompts : public qm::SessionPrompts {
public:
    void message(const QString&) override {}
    qm::Answer confirm(const QString&) override { return qm::Answer::No; }
    bool warningYesNo(const QString&) override { return false; }
    std::optional<QString> saveFile(const qm::FileDialogRequest&) override { return std::nullopt; }
};

QString media(const QString& name) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia/") + name;
}

// dbus-send in a process of its own, waited for while this event loop serves the call.
QString busCall(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("dbus-send"),
            QStringList{"--session", "--print-reply", QStringLiteral("--dest=%1").arg(qm::MprisService::kServiceName),
                        QString::fromLatin1(qm::MprisService::kObjectPath)} +
                arguments);
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000)) return QStringLiteral("timeout");
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

int32_t position(PracticeSession& s) {
    return s.readPosition();
}

QString player(const QString& method) { return busCall({"org.mpris.MediaPlayer2.Player." + method}); }

QString property(const QString& name) {
    return busCall({"org.freedesktop.DBus.Properties.Get", "string:org.mpris.MediaPlayer2.Player", "string:" + name});
}

class Mpris : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "no session bus: run under dbus-run-session";
    }
    QTemporaryDir dir;
    qm::Settings settings{dir.filePath("QM4.ini")};
    NoPrompts prompts;
    PracticeSession session{settings, prompts};
    qm::MprisService service{session};
};

TEST_F(Mpris, MediaKeysStepThroughTheBlocksAndTheDesktopSeesWhere) {
    ASSERT_TRUE(service.start());
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Stopped\""));
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    const int32_t length = session.state().mediaLength;
    session.openLessonForTesting(length, {{0, 3800, 7600, length}, {}});

    player("Next");
    EXPECT_EQ(session.state().curBlock, 1);
    player("Next");
    EXPECT_EQ(session.state().curBlock, 2);
    player("Previous");
    EXPECT_EQ(session.state().curBlock, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.isPlaying(); }, 3000));
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Playing\""));

    const QString meta = property("Metadata");
    EXPECT_TRUE(meta.contains("lesson.mp3")) << meta.toStdString();
    EXPECT_TRUE(meta.contains("block 1/3")) << meta.toStdString();
    EXPECT_TRUE(meta.contains(QString::number(qlonglong(length) * 1000))) << meta.toStdString();
    EXPECT_TRUE(property("Position").contains("int64")) << property("Position").toStdString();

    player("Pause");
    EXPECT_FALSE(session.isPlaying());
    EXPECT_TRUE(property("PlaybackStatus").contains("\"Paused\""));
    player("PlayPause");
    EXPECT_TRUE(QTest::qWaitFor([&] { return session.isPlaying(); }, 3000));
    player("Stop");
    EXPECT_FALSE(session.isPlaying());
    EXPECT_NEAR(session.readPosition(), 0, 100);  // back at block 1's start
    player("Play");
    EXPECT_TRUE(QTest::qWaitFor([&] { return session.isPlaying(); }, 3000));
    EXPECT_TRUE(busCall({"org.freedesktop.DBus.Properties.Get", "string:org.mpris.MediaPlayer2", "string:Identity"})
                    .contains("QM5"));
}

// A position from the desktop goes where a click on the position bar goes:
// the block that holds it becomes the current one, and Repeat repeats it.
TEST_F(Mpris, SeekAndSetPositionSelectTheBlockTheyLandIn) {
    ASSERT_TRUE(service.start());
    ASSERT_TRUE(session.OpenFile(media("lesson.mp3")));
    const int32_t length = session.state().mediaLength;
    session.openLessonForTesting(length, {{0, 2000, 4000, 6000, length}, {}});
    for (int i = 0; i < 3; ++i) player("Next");
    ASSERT_EQ(session.state().curBlock, 3);

    busCall({"org.mpris.MediaPlayer2.Player.SetPosition", "objpath:/org/qm5/track/current", "int64:500000"});
    EXPECT_EQ(session.state().curBlock, 1);
    session.setBlockMode(qm::BlockMode::Repeat);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.isPlaying(); }, 3000));
    // Played to block 1's end, then back to its start: block 1 is what repeats.
    ASSERT_TRUE(QTest::qWaitFor([&] { return position(session) > 1700; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return position(session) < 1000; }, 3000)) << "block 1 did not repeat";
    EXPECT_EQ(session.state().curBlock, 1);

    session.setBlockMode(qm::BlockMode::Next);
    busCall({"org.mpris.MediaPlayer2.Player.Seek", "int64:4500000"});
    EXPECT_EQ(session.state().curBlock, session.state().blocks().blockAt(position(session)));
    EXPECT_GE(session.state().curBlock, 3);

    player("Stop");
    EXPECT_FALSE(session.isPlaying());
    EXPECT_NEAR(position(session), session.state().blocks()[session.state().curBlock - 1], 100);
}

// Without a session bus there is no service, and the session works the same.
TEST(MprisWithoutBus, NoServiceAndThePracticeGoesOn) {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "a session bus is there";
    QTemporaryDir dir;
    qm::Settings settings{dir.filePath("QM4.ini")};
    NoPrompts prompts;
    PracticeSession session{settings, prompts};
    qm::MprisService service{session};
    EXPECT_FALSE(service.start());
    EXPECT_FALSE(service.running());
    session.openLessonForTesting(200, {{0, 100, 200}, {}});
    session.SelectBlock(1);
    EXPECT_EQ(service.metadata().value("xesam:album").toString(), "block 1/2");
}

}  // namespace
