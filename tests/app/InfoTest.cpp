// The info window: history, extension lists, history size and the settings file.
#include "tests/support/AppHarness.h"

#include "text/TextCodec.h"
#include "dictation/ReviewSchedule.h"
#include "files/WholeFile.h"
#include "info/ProgressChart.h"

#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>

#include <cerrno>
#include <cstring>

namespace {

using qmtest::AppHarness;

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList listTexts(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}


// What a learner would see wrong in a window as it stands: a text of a
// label or button cut off, controls of one parent drawn over each other,
// or (in English) a text left in Japanese.
QStringList interfaceFaults(QWidget* window, bool english) {
    QStringList faults;
    static const QRegularExpression japanese(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    auto name = [](const QWidget* w) {
        return QStringLiteral("%1 '%2'").arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                                       : w->objectName(),
                                             w->accessibleName());
    };
    auto checkText = [&](const QWidget* w, const QString& text) {
        if (english && text.contains(japanese) && text != QStringLiteral("日本語"))
            faults << QStringLiteral("Japanese in English: ") + name(w) + QStringLiteral(": ") + text;
    };
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(window) && w != window) continue;
        checkText(w, w->toolTip());
        checkText(w, w->accessibleName());
        checkText(w, w->windowTitle());
        for (const QAction* a : w->actions()) checkText(w, a->text());
        if (auto* menu = qobject_cast<QMenu*>(w))
            for (const QAction* a : menu->actions()) checkText(w, a->text());
        const QFontMetrics fm(w->font());
        if (auto* l = qobject_cast<QLabel*>(w)) {
            checkText(w, l->text());
            const bool plain = l->textFormat() == Qt::PlainText || !Qt::mightBeRichText(l->text());
            if (plain && !l->wordWrap() && !l->text().isEmpty() &&
                fm.boundingRect(QRect(0, 0, 10000, 10000), 0, l->text()).width() > l->contentsRect().width())
                faults << QStringLiteral("cut off: %1: %2 (%3 pixels)").arg(name(w), l->text()).arg(l->contentsRect().width());
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            checkText(w, b->text());
            if (!b->text().isEmpty()) {
                const bool indicator = qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w);
                const int need = indicator ? b->sizeHint().width() : fm.horizontalAdvance(b->text()) + 4;
                if (need > b->width())
                    faults << QStringLiteral("cut off: %1: %2 (%3 of %4 pixels)").arg(name(w), b->text()).arg(b->width()).arg(need);
            }
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            checkText(w, g->title());
        } else if (auto* t = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < t->count(); ++i) checkText(w, t->tabText(i));
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < c->count(); ++i) checkText(w, c->itemText(i));
        }
    }
    // Controls side by side in one parent must not cover each other.
    for (QWidget* parent : widgets) {
        QList<QWidget*> children;
        for (QObject* o : parent->children())
            if (auto* c = qobject_cast<QWidget*>(o); c && !c->isWindow() && c->isVisibleTo(window)) children << c;
        for (int i = 0; i < children.size(); ++i)
            for (int j = i + 1; j < children.size(); ++j)
                if (children[i]->geometry().intersects(children[j]->geometry()))
                    faults << QStringLiteral("overlap: ") + name(children[i]) + QStringLiteral(" / ") + name(children[j]);
    }
    return faults;
}

// Every window, and each tab of the info window, as the learner meets them.
QStringList faultsOfEveryWindow(bool english) {
    QStringList faults;
    for (QWidget* w : {static_cast<QWidget*>(frmMain), static_cast<QWidget*>(frmMemo), static_cast<QWidget*>(frmInfo)}) {
        w->show();
        QCoreApplication::processEvents();
    }
    for (QWidget* w : {static_cast<QWidget*>(frmMain), static_cast<QWidget*>(frmMemo)}) faults << interfaceFaults(w, english);
    for (int i = 0; i < frmInfo->PageControl1->count(); ++i) {
        frmInfo->PageControl1->setCurrentIndex(i);
        QCoreApplication::processEvents();
        faults << interfaceFaults(frmInfo, english);
    }
    frmInfo->PageControl1->setCurrentIndex(0);
    return faults;
}

TEST(InfoWindow, HasItsTabsAndDefaults) {
    AppHarness app;
    EXPECT_EQ(frmInfo->PageControl1->count(), 5);
    EXPECT_EQ(frmInfo->PageControl1->tabText(0), "History");
    EXPECT_EQ(frmInfo->PageControl1->tabText(1), "設定");
    EXPECT_EQ(frmInfo->PageControl1->tabText(2), "キー");
    EXPECT_EQ(frmInfo->PageControl1->tabText(3), "ＱＭ５について");
    EXPECT_EQ(frmInfo->PageControl1->tabText(4), "記録");
    EXPECT_EQ(frmInfo->PageControl1->currentIndex(), 0);
    EXPECT_EQ(frmInfo->edtWMP->text(), ".wma.mp3.");
    EXPECT_EQ(frmInfo->edtRP->text(), ".ram.rm.");
    EXPECT_EQ(frmInfo->spnHisNum->value(), 10);
    EXPECT_EQ(frmInfo->spnHisNum->minimum(), 10);
    EXPECT_EQ(frmInfo->spnHisNum->maximum(), 100);
    EXPECT_EQ(frmInfo->pos(), QPoint(215, 205));
}

TEST(InfoWindow, FirstStartWritesAnEmptyFolderTheSizeAndTheHistory) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    {
        AppHarness app(ini);
        EXPECT_TRUE(frmInfo->historyPaths().isEmpty());
        frmMain->AddHistory("/m/a.mp3");
        frmMain->AddHistory("/m/b.wma");
        frmMain->AddHistory("/m/c.bsd");
    }
    EXPECT_EQ(readAll(ini), QByteArray("\r\n10\r\n/m/c.bsd\r\n/m/b.wma\r\n/m/a.mp3\r\n"));
}

TEST(InfoWindow, TheSamePathTwiceOrInOtherCaseIsOneEntryAtTheHead) {
    AppHarness app;
    frmMain->AddHistory("/m/Lesson.mp3");
    frmMain->AddHistory("/m/other.mp3");
    frmMain->AddHistory("/m/Lesson.mp3");
    EXPECT_EQ(frmInfo->historyPaths(), (QStringList{"/m/Lesson.mp3", "/m/other.mp3"}));
    frmMain->AddHistory("/M/LESSON.MP3");
    EXPECT_EQ(frmInfo->historyPaths(), (QStringList{"/M/LESSON.MP3", "/m/other.mp3"}));
    EXPECT_EQ(listTexts(frmInfo->lstHistory), (QStringList{"LESSON.MP3", "other.mp3"}));
}

TEST(InfoWindow, KeepsOnlyTheHistorySizeAtExitButShowsAllUntilThen) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    {
        AppHarness app(ini);
        for (int i = 0; i < 15; ++i) frmMain->AddHistory(QStringLiteral("/m/%1.mp3").arg(i));
        EXPECT_EQ(frmInfo->lstHistory->count(), 15);
    }
    AppHarness again(ini);
    ASSERT_EQ(frmInfo->historyPaths().size(), 10);
    EXPECT_EQ(frmInfo->historyPaths().first(), "/m/14.mp3");
    EXPECT_EQ(frmInfo->historyPaths().last(), "/m/5.mp3");
    EXPECT_EQ(listTexts(frmInfo->lstHistory).first(), "14.mp3");
}

// Two QM5s at once: the second to end keeps the first one's opens behind its
// own instead of writing over them.
TEST(InfoWindow, TheLastOfTwoRunsToEndKeepsTheOthersHistory) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    writeAll(ini, "\r\n10\r\n/m/old.mp3\r\n");
    qm::Settings first(ini);
    first.load();
    {
        AppHarness second(ini);  // starts while the first runs, ends first
        frmMain->AddHistory("/m/second.mp3");
        frmMain->AddHistory("/m/both.mp3");
    }
    first.addHistory("/m/first.mp3");
    first.addHistory("/M/BOTH.MP3");  // opened in both: this run's spelling, once
    ASSERT_FALSE(first.save());
    EXPECT_EQ(readAll(ini),
              QByteArray("\r\n10\r\n/M/BOTH.MP3\r\n/m/first.mp3\r\n/m/second.mp3\r\n/m/old.mp3\r\n"));
}

TEST(InfoWindow, HistorySizeFromTheFileIsBroughtIntoRange) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    writeAll(ini, "\r\n150\r\n/a.mp3\r\n");
    {
        AppHarness app(ini);
        EXPECT_EQ(frmInfo->spnHisNum->value(), 100);
    }
    writeAll(ini, "\r\n3\r\n/a.mp3\r\n");
    AppHarness app(ini);
    EXPECT_EQ(frmInfo->spnHisNum->value(), 10);
    EXPECT_EQ(frmInfo->historyPaths(), QStringList{"/a.mp3"});
}

TEST(InfoWindow, TypedHistorySizesAreCorrectedWhenTheFieldLosesFocus) {
    AppHarness app;
    frmInfo->show();
    QApplication::setActiveWindow(frmInfo);
    frmInfo->PageControl1->setCurrentIndex(1);
    auto* text = frmInfo->spnHisNum->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    for (const auto& [typed, value] : {std::pair<QString, int>{"500", 100}, {"4", 10}, {"abc", 10}, {"37", 37}}) {
        frmInfo->spnHisNum->setFocus();
        text->setText(typed);
        frmInfo->edtWMP->setFocus();
        QCoreApplication::processEvents();
        EXPECT_EQ(frmInfo->spnHisNum->value(), value) << typed.toStdString();
    }
}

TEST(InfoWindow, TheSaveFolderRuleForLineZero) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/lessons/a.bsd", "/home/u/lessons"},
        {"/a.bsd", "/"},
        {"C:\\lessons\\a.bsd", "C:\\lessons"},
        {"C:\\a.bsd", "C:\\"},
        {"a.bsd", ""},
    };
    for (const auto& [saved, folder] : cases) {
        QTemporaryDir dir;
        const QString ini = dir.filePath("QM4.ini");
        {
            AppHarness app(ini);
            app.settings->noteSavedFile(QString::fromUtf8(saved));
        }
        EXPECT_EQ(readAll(ini), QByteArray(folder) + "\r\n10\r\n") << saved;
        AppHarness app(ini);
        EXPECT_EQ(app.session->saveFolder(), QString::fromUtf8(folder)) << saved;
    }
}

TEST(InfoWindow, ReadsACp932FileMadeOnWindows) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    const std::string text = "C:\\教材\r\n20\r\nC:\\教材\\表ソ十.mp3\r\nC:\\a.bsd\r\n";
    const std::string cp932 = qm::text::encode(text);
    ASSERT_NE(cp932, text);  // really Shift-JIS bytes, with 0x5C second bytes
    writeAll(ini, QByteArray(cp932.data(), static_cast<int>(cp932.size())));
    AppHarness app(ini);
    EXPECT_EQ(app.session->saveFolder(), "C:\\教材");
    EXPECT_EQ(frmInfo->spnHisNum->value(), 20);
    EXPECT_EQ(frmInfo->historyPaths(), (QStringList{"C:\\教材\\表ソ十.mp3", "C:\\a.bsd"}));
    EXPECT_EQ(listTexts(frmInfo->lstHistory), (QStringList{"表ソ十.mp3", "a.bsd"}));
}

TEST(InfoWindow, ADamagedFileKeepsEveryReadableEntry) {
    struct Case {
        QByteArray bytes;
        int size;
        QStringList history;
    };
    const Case cases[] = {
        {"/folder\r\n30.0\r\n/a.mp3\r\n/b.bsd\r\n", 30, {"/a.mp3", "/b.bsd"}},
        {"/folder\r\n99999999999\r\n/a.mp3\r\n", 100, {"/a.mp3"}},
        {"/folder\r\n-4\r\n/a.mp3\r\n", 10, {"/a.mp3"}},
        {"/folder\r\nten\r\n/a.mp3\r\n", 10, {"/a.mp3"}},
        {"/folder\r\n/a.mp3\r\n/b.mp3\r\n", 10, {"/a.mp3", "/b.mp3"}},  // no size line
        {"/folder\r\n20\r\n/a.mp3\r\n\r\n/b.mp3", 20, {"/a.mp3", "/b.mp3"}},
        {"/folder", 10, {}},
        {"", 10, {}},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString ini = dir.filePath("QM4.ini");
        writeAll(ini, c.bytes);
        {
            AppHarness app(ini);
            EXPECT_EQ(frmInfo->historyPaths(), c.history) << c.bytes.toStdString();
            EXPECT_EQ(frmInfo->lstHistory->count(), frmInfo->historyPaths().size());
            EXPECT_EQ(frmInfo->spnHisNum->value(), c.size) << c.bytes.toStdString();
        }
        // What was kept is written back: nothing readable is lost at exit.
        AppHarness again(ini);
        EXPECT_EQ(frmInfo->historyPaths(), c.history) << c.bytes.toStdString();
    }
}

TEST(InfoWindow, ARunThatSavedNothingKeepsTheSaveFolder) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    writeAll(ini, "/home/u/lessons\r\n10\r\n/a.mp3\r\n");
    {
        AppHarness app(ini);
        app.settings->noteSavedFile("a.bsd");  // a bare name, as a cancelled save proposes
    }
    EXPECT_EQ(readAll(ini), "/home/u/lessons\r\n10\r\n/a.mp3\r\n");
}

TEST(InfoWindow, ALineBreakInAFolderOrEntryNeverBreaksTheFile) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    {
        AppHarness app(ini);
        app.settings->noteSavedFile("/odd\nfolder/a.bsd");
        frmInfo->AddHistory("/m/a.mp3");
        frmInfo->AddHistory("/m/two\nlines.mp3");
    }
    EXPECT_EQ(readAll(ini), "\r\n10\r\n/m/a.mp3\r\n");
}

TEST(InfoWindow, AFailedWriteAtExitSaysSoAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    writeAll(ini, "\r\n10\r\n/old.mp3\r\n");
    AppHarness app(ini);
    frmInfo->AddHistory("/new.mp3");
    qm::files::setWriteHookForTesting([](int, const void*, std::size_t) -> long {
        errno = ENOSPC;
        return -1;
    });
    qm::ProgramEnd::writeSettings(*app.settings);
    qm::files::setWriteHookForTesting({});
    EXPECT_EQ(readAll(ini), "\r\n10\r\n/old.mp3\r\n");
    EXPECT_EQ(app.dialogs->messages,
              QStringList{QStringLiteral("ファイル %1 を作成できません\n%2").arg(ini, QString::fromUtf8(std::strerror(ENOSPC)))});
}

TEST(InfoWindow, ExtensionListsAreNotStored) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    {
        AppHarness app(ini);
        frmInfo->edtWMP->setText(".ogg.");
    }
    AppHarness app(ini);
    EXPECT_EQ(frmInfo->edtWMP->text(), ".wma.mp3.");
    EXPECT_EQ(frmInfo->edtRP->text(), ".ram.rm.");
}

TEST(InfoWindow, HoverShowsTheFullPathAndAClickBelowTheListDoesNothing) {
    AppHarness app;
    frmMain->AddHistory("/m/b.txt");
    frmMain->AddHistory("/m/a.txt");
    frmInfo->show();
    frmInfo->PageControl1->setCurrentIndex(0);
    QCoreApplication::processEvents();
    const QRect first = frmInfo->lstHistory->visualItemRect(frmInfo->lstHistory->item(0));
    frmInfo->lstHistoryMouseMove(first.center());
    EXPECT_EQ(frmInfo->pnlFileName->text(), "/m/a.txt");
    frmInfo->lstHistoryMouseUp(Qt::LeftButton, QPoint(5, frmInfo->lstHistory->viewport()->height() - 2));
    EXPECT_TRUE(frmInfo->isVisible());
    // A click on an entry opens it (a .txt fails silently) and hides the window.
    frmInfo->lstHistoryMouseUp(Qt::RightButton, first.center());
    EXPECT_TRUE(frmInfo->isHidden());
    EXPECT_EQ(frmInfo->historyPaths().first(), "/m/a.txt");
}

}  // namespace

namespace {

// The language chosen in the settings tab is kept beside QM4.ini (whose lines
// stay as they are) and takes effect at the next start: then every window
// and the session's questions speak English, and Qt's own texts too.
TEST(Language, EnglishChosenInTheSettingsTabIsTheNextStartsLanguage) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QM4.ini");
    {
        AppHarness app(ini);
        EXPECT_EQ(frmMain->Label1->text(), "再生速度（メディアプレーヤー再生時）");
        EXPECT_EQ(faultsOfEveryWindow(false), QStringList{});
        app.session->mediaPlayer().setControlVisible(false);  // as while a .ram plays
        app.session->streaming().setControlVisible(true);
        EXPECT_EQ(interfaceFaults(frmMain, false), QStringList{});
        app.session->streaming().setControlVisible(false);
        app.session->mediaPlayer().setControlVisible(true);
        frmInfo->cmbLanguage->setCurrentIndex(1);
        EXPECT_EQ(frmMemo->btnEdit->text(), "編集");  // not before the next start
    }
    EXPECT_EQ(readAll(ini), "\r\n10\r\n");
    EXPECT_TRUE(readAll(dir.filePath("qm5.conf")).startsWith("language=en\n"));

    {
        AppHarness app(ini);
        EXPECT_EQ(frmMain->Label1->text(), "Playback rate (media player)");
        EXPECT_EQ(frmMain->btnMark->toolTip(), "Insert a block separator [space/x]");
        EXPECT_EQ(frmMain->btnOpen->accessibleName(), "Open");
        EXPECT_EQ(frmMemo->btnEdit->text(), "Edit");
        EXPECT_EQ(frmInfo->PageControl1->tabText(1), "Settings");
        EXPECT_EQ(frmIE->windowTitle(), "Internet");
        EXPECT_EQ(frmInfo->cmbLanguage->currentIndex(), 1);
        const char* const cancel = "Cancel";  // Qt's own text, not one for this program's translation
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", cancel), "Cancel");
        EXPECT_EQ(faultsOfEveryWindow(true), QStringList{});
        frmMemo->btnDictationClick();  // the dictation and its review
        EXPECT_EQ(interfaceFaults(frmMemo, true), QStringList{});
        frmMemo->btnDictationClick();
        frmMain->blockBarMenu->popup(QPoint(0, 0));
        EXPECT_EQ(interfaceFaults(frmMain->blockBarMenu, true), QStringList{});
        frmMain->blockBarMenu->hide();
        qmtest::setBlocks(frmMain->session(), {0, 9000});
        frmMain->session().editNotes({"unsaved"});
        app.dialogs->confirmAnswers = {qm::Answer::No};
        EXPECT_TRUE(frmMain->CanReleaseMedia());
        EXPECT_EQ(app.dialogs->questions, QStringList{"Save the changes?"});
        frmInfo->cmbLanguage->setCurrentIndex(0);
    }
    EXPECT_TRUE(readAll(dir.filePath("qm5.conf")).startsWith("language=ja\n"));
    AppHarness app(ini);
    EXPECT_EQ(frmMemo->btnEdit->text(), "編集");
}

// Each lesson in the history shows its blocks due today, counted from its
// answers file off the event loop: a block file's and a recording's (whose
// block file has its name) alike; a lesson never written down shows none and
// the names stay as they were. The progress tab follows the open lesson's
// checks: one column per day with the day's mean and the blocks mastered.
TEST(InfoWindow, TheHistoryCountsEachLessonsDueBlocksAndTheProgressTabFollowsTheChecks) {
    QTemporaryDir dir;
    AppHarness app(dir.filePath("QM4.ini"));
    const int64_t day = 24 * 60 * 60;
    const int64_t first = QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC).toSecsSinceEpoch();
    int64_t now = first + 2 * day;
    app.session->setWallClock([&now] { return now; });
    auto answers = [&](const QString& name, const std::vector<std::pair<int, int>>& blockScores) {
        qm::dictation::DictationLog log;
        for (const auto& [block, score] : blockScores) log.addAttempt(block, 0, "answer", score, first);
        writeAll(dir.filePath(name), QByteArray::fromStdString(qm::dictation::serialize(log)));
    };
    answers("a.dictation.tsv", {{0, 40}, {1, 100}, {2, 90}});  // three blocks, all due two days on
    answers("b.dictation.tsv", {{4, 70}});
    frmMain->AddHistory(dir.filePath("c.mp3"));
    frmMain->AddHistory(dir.filePath("b.mp3"));
    frmMain->AddHistory(dir.filePath("a.bsd"));
    ASSERT_TRUE(QTest::qWaitFor([] { return frmInfo->dueOf(0) >= 0 && frmInfo->dueOf(1) >= 0; }, 5000));
    EXPECT_EQ(frmInfo->dueOf(0), 3);
    EXPECT_EQ(frmInfo->dueOf(1), 1);
    EXPECT_EQ(frmInfo->dueOf(2), -1) << "never written down";
    EXPECT_EQ(listTexts(frmInfo->lstHistory), (QStringList{"a.bsd", "b.mp3", "c.mp3"}));
    EXPECT_EQ(frmInfo->lstHistory->item(0)->toolTip(), "今日復習するブロック: 3");

    // The progress tab: the lesson opened shows its answers' days; a check
    // adds today's and the history counts again.
    EXPECT_EQ(frmInfo->lblProgress->text(), "レッスンを開くと、その書き取りの記録が表示されます。");
    ASSERT_TRUE(QFile::copy(qmtest::testMedia("lesson.mp3"), dir.filePath("a.mp3"))) << "no test media";
    ASSERT_TRUE(app.session->OpenFile(dir.filePath("a.mp3")));
    ASSERT_EQ(frmInfo->chtProgress->progress().size(), 1u);
    EXPECT_EQ(frmInfo->chtProgress->progress()[0].blocksAnswered, 3);
    EXPECT_EQ(frmInfo->chtProgress->progress()[0].day, first - 9 * 3600);
    qmtest::setNotes(frmMain->session(), {"one", "two", "three"});
    app.session->openLessonForTesting(3000, {{0, 1000, 2000, 3000}, {"one", "two", "three"}});
    frmMain->SelectBlock(2);
    ASSERT_TRUE(app.session->checkDictation("two"));
    const auto shown = frmInfo->chtProgress->progress();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].day, first - 9 * 3600 + 2 * day);
    EXPECT_EQ(shown[1].blocksAnswered, 1);
    EXPECT_EQ(shown[1].meanScore, 100);
    EXPECT_EQ(frmInfo->chtProgress->blocks(), 3);
    EXPECT_EQ(frmInfo->lblProgress->text(), "習得 0 / 3 ブロック、今日の復習 2 ブロック、最後の日の平均点 100");
    ASSERT_TRUE(QTest::qWaitFor([] { return frmInfo->dueOf(0) == 2; }, 5000)) << "the open lesson counted again";
    EXPECT_EQ(frmInfo->dueOf(1), 2) << "its block file's entry";
}

}  // namespace
