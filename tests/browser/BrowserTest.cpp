// The browser window on a real, headless web engine, against pages served by
// a test server on 127.0.0.1, and the plain link rules it decides by.
#include "tests/support/AppHarness.h"
#include "tests/support/HttpServer.h"
#include "browser/MediaLinks.h"
#include "browser/UserGesture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

#include <unistd.h>

namespace {

using qm::browser::isMediaLink;
using qm::browser::mayGoToPlayer;
using qm::browser::passesStatusTest;
using qm::browser::statusTextExtension;
using qm::browser::UserGesture;
using qmtest::AppHarness;
using qmtest::waitFor;

const QString kWmp = QStringLiteral(".wma.mp3.");
const QString kRp = QStringLiteral(".ram.rm.");
const QString kPleaseWait = QStringLiteral("しばらくお待ちください．．．");
const QString kRefusedWindow = QStringLiteral("ページが自動で開こうとしたウィンドウを開きませんでした");

// ---------------------------------------------------------------- link rules

TEST(MediaLinkRules, TheExtensionPartIsSearchedInBothListsAsPlainText) {
    EXPECT_TRUE(isMediaLink("http://h/lesson.mp3", kWmp, kRp));
    EXPECT_TRUE(isMediaLink("http://h/talk.wma", kWmp, kRp));
    EXPECT_TRUE(isMediaLink("http://h/clip.ram", kWmp, kRp));  // only in the streaming list
    EXPECT_TRUE(isMediaLink("http://h/talk.rm", kWmp, kRp));
    EXPECT_TRUE(isMediaLink("http://h/x.m", kWmp, kRp));   // ".m" occurs in ".mp3."
    EXPECT_TRUE(isMediaLink("http://h/x.a.", kWmp, kRp));  // "." alone occurs in every list
    EXPECT_TRUE(isMediaLink("http://h/notes.html.ram", kWmp, kRp));  // the last "." counts
    EXPECT_FALSE(isMediaLink("http://h/talk.ram.html", kWmp, kRp));

    EXPECT_FALSE(isMediaLink("http://h/LESSON.MP3", kWmp, kRp));  // letter case counts
    EXPECT_FALSE(isMediaLink("http://h/page.html", kWmp, kRp));
    EXPECT_FALSE(isMediaLink("http://127.0.0.1:8080/path", kWmp, kRp));  // ".1:8080/path"
    EXPECT_FALSE(isMediaLink("http://www.example.com/lesson", kWmp, kRp));
    EXPECT_FALSE(isMediaLink("http://localhost/lesson", kWmp, kRp));  // no "." at all
    EXPECT_FALSE(isMediaLink("", kWmp, kRp));
}

// The query and the fragment of a network address are no part of the file's
// name; in a local path "?" and "#" are characters of a name.
TEST(MediaLinkRules, AnAddressIsJudgedWithoutItsQueryAndFragment) {
    EXPECT_TRUE(isMediaLink("http://h/lesson.mp3?x=1", kWmp, kRp));
    EXPECT_TRUE(isMediaLink("https://h/talk.wma#t=10", kWmp, kRp));
    EXPECT_TRUE(isMediaLink("rtsp://h:554/live.rm?a.html#b.html", kWmp, kRp));
    EXPECT_FALSE(isMediaLink("http://h/page.html?file=lesson.mp3", kWmp, kRp));
    EXPECT_FALSE(isMediaLink("http://h/page.html#lesson.mp3", kWmp, kRp));
    EXPECT_FALSE(isMediaLink("http://h/?lesson.mp3", kWmp, kRp));
    EXPECT_TRUE(isMediaLink("/home/me/a?b.mp3", kWmp, kRp));
    EXPECT_TRUE(isMediaLink("C:\\lessons\\表#1.mp3", kWmp, kRp));
    EXPECT_FALSE(isMediaLink("/home/me/lesson.mp3?x=1", kWmp, kRp));
    // Other schemes keep their whole text: a data address named like media
    // stays media, and so is never shown (it never goes to the player either).
    EXPECT_TRUE(isMediaLink("data:audio/mpeg;base64,AAAA#.mp3", kWmp, kRp));

    EXPECT_TRUE(passesStatusTest("http://h/lesson.mp3?x=1", kWmp));
    EXPECT_TRUE(passesStatusTest("http://h/talk.wma?x=1#y", kWmp));
    EXPECT_FALSE(passesStatusTest("http://h/page.html?file=lesson.mp3", kWmp));
    EXPECT_FALSE(passesStatusTest("http://h.com/path#lesson.mp3", kWmp));
    EXPECT_TRUE(passesStatusTest("C:\\lessons\\表#1.mp3", kWmp));
}

TEST(MediaLinkRules, TheListsInUseDecide) {
    EXPECT_FALSE(isMediaLink("http://h/a.ogg", kWmp, kRp));
    EXPECT_TRUE(isMediaLink("http://h/a.ogg", ".ogg.", kRp));
    EXPECT_FALSE(isMediaLink("http://h/a.mp3", ".ogg.", ""));
    EXPECT_FALSE(isMediaLink("http://h/a.mp3", "", ""));
    // The lists are searched joined: ".xy" is in neither alone.
    EXPECT_TRUE(isMediaLink("http://h/a.xy", ".x", "y."));
    EXPECT_FALSE(isMediaLink("http://h/a.xy", ".x", ""));
    EXPECT_FALSE(isMediaLink("http://h/a.xy", "", "y."));
}

TEST(MediaLinkRules, TheStatusTextExtensionEndsAtTheLastDotBackslashOrColon) {
    EXPECT_EQ(statusTextExtension("http://h/talk.wma"), ".wma");
    EXPECT_EQ(statusTextExtension("http://h.com/path"), ".com/path");  // the "." of the host is last
    EXPECT_EQ(statusTextExtension("http://127.0.0.1:8080/path"), "");  // the ":" is last
    EXPECT_EQ(statusTextExtension("C:\\lesson.mp3\\notes"), "");
    EXPECT_EQ(statusTextExtension("C:\\lessons\\表.mp3"), ".mp3");
    EXPECT_EQ(statusTextExtension("ページを開いています"), "");
    EXPECT_EQ(statusTextExtension(""), "");
    EXPECT_EQ(statusTextExtension("a."), ".");
}

TEST(MediaLinkRules, OnlyTheMediaPlayerListIsConsultedForStatusTexts) {
    EXPECT_TRUE(passesStatusTest("http://h/talk.wma", kWmp));
    EXPECT_TRUE(passesStatusTest("http://h/lesson.mp3", kWmp));
    EXPECT_FALSE(passesStatusTest("http://h/talk.ram", kWmp));
    EXPECT_FALSE(passesStatusTest("http://h/talk.rm", kWmp));
    EXPECT_FALSE(passesStatusTest("http://h/LESSON.MP3", kWmp));
    EXPECT_FALSE(passesStatusTest("http://h/x.m", kWmp));  // ".m." is not in ".wma.mp3."
    // No extension tests "." alone, which a list ending in "." holds.
    EXPECT_TRUE(passesStatusTest("", kWmp));
    EXPECT_TRUE(passesStatusTest("http://127.0.0.1:8080/path", kWmp));
    EXPECT_FALSE(passesStatusTest("", ""));
    EXPECT_FALSE(passesStatusTest("http://h/talk.wma", ""));
}

TEST(MediaLinkRules, OnlyNetworkAddressesGoToThePlayer) {
    EXPECT_TRUE(mayGoToPlayer(QUrl("http://h/lesson.mp3")));
    EXPECT_TRUE(mayGoToPlayer(QUrl("https://h/lesson.mp3")));
    EXPECT_TRUE(mayGoToPlayer(QUrl("HTTP://h/lesson.mp3")));
    EXPECT_TRUE(mayGoToPlayer(QUrl("rtsp://h:554/talk.rm")));
    EXPECT_TRUE(mayGoToPlayer(QUrl("mms://h/talk.wma")));
    EXPECT_FALSE(mayGoToPlayer(QUrl("rtsp:///talk.rm")));  // no host
    EXPECT_FALSE(mayGoToPlayer(QUrl("file:///home/me/lesson.mp3")));
    EXPECT_FALSE(mayGoToPlayer(QUrl("file://h/home/me/lesson.mp3")));
    EXPECT_FALSE(mayGoToPlayer(QUrl("data:audio/mpeg;base64,AAAA.mp3")));
    EXPECT_FALSE(mayGoToPlayer(QUrl("javascript:alert(1)//.mp3")));
    EXPECT_FALSE(mayGoToPlayer(QUrl("ftp://h/lesson.mp3")));
    EXPECT_FALSE(mayGoToPlayer(QUrl("edl://h/lesson.mp3")));
    EXPECT_FALSE(mayGoToPlayer(QUrl("http:///lesson.mp3")));  // no host
    EXPECT_FALSE(mayGoToPlayer(QUrl("/home/me/lesson.mp3")));
}

// ---------------------------------------------------------------- the user's gesture

using namespace std::chrono_literals;

constexpr auto kLink = qm::NavigationKind::LinkClicked;
constexpr auto kHistory = qm::NavigationKind::BackForward;

TEST(UserGestureRules, OnePressLetsOneThingThroughWhileItIsFresh) {
    const UserGesture::Clock::time_point t0{};
    const QUrl page("http://h/page.html");
    UserGesture g;
    EXPECT_FALSE(g.takeForNavigation(page, kLink, t0));  // no press yet
    EXPECT_FALSE(g.takeForWindow(t0));
    g.extend(t0);  // a release with no press before it makes none
    EXPECT_FALSE(g.takeForWindow(t0));

    g.begin(t0, page);
    EXPECT_TRUE(g.takeForNavigation(page, kLink, t0 + 10ms));
    EXPECT_FALSE(g.takeForNavigation(page, kLink, t0 + 20ms));  // taken
    EXPECT_FALSE(g.takeForWindow(t0 + 20ms));
    g.extend(t0 + 30ms);  // the release of the press already used
    EXPECT_FALSE(g.takeForWindow(t0 + 40ms));

    g.begin(t0, {});
    EXPECT_TRUE(g.takeForWindow(t0 + UserGesture::kLifetime));  // the last moment
    g.begin(t0, page);
    EXPECT_FALSE(g.takeForWindow(t0 + UserGesture::kLifetime + 1ms));
    EXPECT_FALSE(g.takeForNavigation(page, kLink, t0 + UserGesture::kLifetime + 1ms));

    // A long press: the gesture lasts from the release.
    g.begin(t0, page);
    g.extend(t0 + 10s);
    EXPECT_TRUE(g.takeForNavigation(page, kLink, t0 + 10s + UserGesture::kLifetime));

    // A new press replaces one not taken; it does not add a second.
    g.begin(t0, {});
    g.begin(t0 + 1ms, {});
    EXPECT_TRUE(g.takeForWindow(t0 + 2ms));
    EXPECT_FALSE(g.takeForWindow(t0 + 3ms));
}

TEST(UserGestureRules, APressLetsThroughOnlyTheLinkItWasOn) {
    const UserGesture::Clock::time_point t0{};
    const QUrl lesson("http://h/lesson.mp3");
    const QUrl page("http://h/page.html");
    UserGesture g;
    g.begin(t0, lesson);
    EXPECT_FALSE(g.takeForNavigation(QUrl("http://h/n1.mp3"), kLink, t0 + 1ms));
    EXPECT_FALSE(g.takeForNavigation(page, kLink, t0 + 1ms));
    EXPECT_FALSE(g.takeForNavigation(page, kHistory, t0 + 1ms));
    EXPECT_TRUE(g.takeForNavigation(lesson, kLink, t0 + 2ms));  // still there for the link
    EXPECT_FALSE(g.takeForNavigation(lesson, kLink, t0 + 3ms));

    // A press on a page link does not let the page's media through either.
    g.begin(t0, page);
    EXPECT_FALSE(g.takeForNavigation(lesson, kLink, t0 + 1ms));
    EXPECT_TRUE(g.takeForNavigation(page, kLink, t0 + 2ms));

    // A press on no link lets no navigation through, only a window.
    g.begin(t0, {});
    EXPECT_FALSE(g.takeForNavigation(lesson, kLink, t0 + 1ms));
    EXPECT_FALSE(g.takeForNavigation(page, qm::NavigationKind::Other, t0 + 1ms));
    EXPECT_FALSE(g.takeForNavigation(QUrl(), kLink, t0 + 1ms));
    EXPECT_FALSE(g.takeForNavigation(page, kHistory, t0 + 1ms));
    EXPECT_TRUE(g.takeForWindow(t0 + 2ms));

    // The engine's two spellings of one address are one link.
    g.begin(t0, QUrl("http://h/表 1.mp3"));
    EXPECT_TRUE(g.takeForNavigation(QUrl("http://h/%E8%A1%A8%201.mp3"), kLink, t0 + 1ms));

    // A window request takes it whatever link it belongs to.
    g.begin(t0, lesson);
    EXPECT_TRUE(g.takeForWindow(t0 + 1ms));
    EXPECT_FALSE(g.takeForNavigation(lesson, kLink, t0 + 2ms));

    // A key that activates nothing ends the press before it.
    g.begin(t0, lesson);
    g.end();
    g.extend(t0 + 1ms);
    EXPECT_FALSE(g.takeForNavigation(lesson, kLink, t0 + 2ms));
    EXPECT_FALSE(g.takeForWindow(t0 + 2ms));
}

// The window's own back and forward buttons let one move through the history
// through, wherever it leads; a page's navigation meanwhile is its own.
TEST(UserGestureRules, TheWindowsHistoryButtonsLetOneHistoryMoveThrough) {
    const UserGesture::Clock::time_point t0{};
    const QUrl lesson("http://h/lesson.mp3");
    UserGesture g;
    g.beginHistoryMove(t0);
    EXPECT_FALSE(g.takeForNavigation(lesson, kLink, t0 + 1ms));
    EXPECT_FALSE(g.takeForNavigation(lesson, qm::NavigationKind::Other, t0 + 1ms));
    EXPECT_TRUE(g.takeForNavigation(QUrl("http://h/page.html"), kHistory, t0 + 2ms));
    EXPECT_FALSE(g.takeForNavigation(QUrl("http://h/page.html"), kHistory, t0 + 3ms));

    g.beginHistoryMove(t0);
    EXPECT_FALSE(g.takeForNavigation(lesson, kHistory, t0 + UserGesture::kLifetime + 1ms));
    g.beginHistoryMove(t0);
    g.begin(t0 + 1ms, {});  // a press on the page after it replaces it
    EXPECT_FALSE(g.takeForNavigation(QUrl("http://h/page.html"), kHistory, t0 + 2ms));
}

// ---------------------------------------------------------------- the window

// Web engine processes started by this test process (children or deeper).
int webEngineProcesses() {
    const pid_t self = getpid();
    int count = 0;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        entry.toInt(&isPid);
        if (!isPid) continue;
        QFile comm("/proc/" + entry + "/comm");
        if (!comm.open(QIODevice::ReadOnly) || !comm.readAll().startsWith("QtWebEngineProc")) continue;
        // Walk up the parents: the engine starts its helpers through a zygote.
        QString pid = entry;
        for (int depth = 0; depth < 8; ++depth) {
            QFile stat("/proc/" + pid + "/stat");
            if (!stat.open(QIODevice::ReadOnly)) break;
            const QByteArray s = stat.readAll();
            const QList<QByteArray> f = s.mid(s.lastIndexOf(')') + 2).split(' ');
            pid = QString::fromLatin1(f.value(1));  // ppid, after the state
            if (pid.toInt() == self) {
                ++count;
                break;
            }
            if (pid.toInt() <= 1) break;
        }
    }
    return count;
}

TEST(BrowserWindow, ControlsPresetsAndAWebEngineMadeOnlyAtTheFirstShow) {
    AppHarness app;
    TfrmIE& ie = *frmIE;
    EXPECT_EQ(ie.windowTitle(), "インターネット");
    EXPECT_EQ(ie.pos(), QPoint(282, 126));
    EXPECT_EQ(ie.size(), QSize(699, 506));
    EXPECT_EQ(ie.btnBack->text(), "<");
    EXPECT_EQ(ie.btnStop->text(), "■");
    EXPECT_EQ(ie.btnForward->text(), ">");
    EXPECT_EQ(ie.btnGo->text(), "go");
    for (QToolButton* b : {ie.btnBack, ie.btnStop, ie.btnForward, ie.btnGo}) EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(ie.cmbURL->isEditable());
    ASSERT_EQ(ie.cmbURL->count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(ie.cmbURL->itemText(i).startsWith("https://"));
    EXPECT_EQ(ie.cmbURL->currentText(), ie.cmbURL->itemText(0));
    EXPECT_EQ(ie.pendingMediaLink(), "");

    EXPECT_FALSE(ie.hasWebEngine());
    EXPECT_EQ(ie.page(), nullptr);
    // What the program queued at its start has run: an engine made there
    // would have started its processes by then.
    ASSERT_TRUE(qmtest::waitForPosted());
    EXPECT_EQ(webEngineProcesses(), 0);
    ie.btnBackClick();  // nothing to go back to, and no engine: nothing happens
    ie.btnForwardClick();
    ie.btnStopClick();
    EXPECT_FALSE(ie.hasWebEngine());

    ie.show();
    ASSERT_TRUE(ie.hasWebEngine());
    EXPECT_NE(qobject_cast<QWebEnginePage*>(ie.page()), nullptr);
    EXPECT_NE(qobject_cast<QWebEngineView*>(ie.WebBrowser1), nullptr);
    EXPECT_TRUE(waitFor([] { return webEngineProcesses() > 0; }, 10000));
    // A load asked for sets the view's address at once; one the show queued
    // has been asked for once what it queued has run.
    ASSERT_TRUE(qmtest::waitForPosted());
    EXPECT_TRUE(ie.location().isEmpty());  // showing navigates nowhere
    EXPECT_EQ(ie.cmbURL->count(), 4);

    // The layout: panel on top, the view in the middle, the status bar below.
    EXPECT_EQ(ie.Panel1->geometry(), QRect(0, 0, 699, 33));
    EXPECT_EQ(ie.StatusBar1->geometry(), QRect(0, 506 - 19, 699, 19));
    EXPECT_EQ(ie.WebBrowser1->mapTo(&ie, QPoint(0, 0)), QPoint(0, 33));
    EXPECT_EQ(ie.WebBrowser1->height(), 506 - 33 - 19);
    EXPECT_EQ(ie.btnGo->geometry().right(), ie.Panel1->width() - 1 - 4);
    ie.resize(900, 506);
    ASSERT_TRUE(qmtest::waitForPosted());  // the layout runs from a posted request
    EXPECT_GT(ie.cmbURL->width(), 699 - 4 * 25);  // the address box takes the width

    ie.close();
    EXPECT_TRUE(ie.isHidden());
    EXPECT_EQ(frmIE, &ie);  // hidden, not gone
    EXPECT_TRUE(ie.hasWebEngine());
    EXPECT_TRUE(app.dialogs->messages.isEmpty());
}

// Pages with links, the generated media and a page for each address a link names.
class Browser : public ::testing::Test {
protected:
    qmtest::HttpServer web;  // outlives the windows: the player may still be reading from it
    AppHarness app;
    TfrmIE& ie = *frmIE;
    QWebEnginePage* page = nullptr;
    int loads = 0;
    QList<QUrl> started;         // the address of each navigation the page started, in order
    QList<QUrl> ended;           // and of each that ended, shown, failed or cancelled
    QStringList statusMessages;  // every text the status bar showed, in order
    int answers = 0;

    void SetUp() override {
        ASSERT_NE(web.port(), 0);
        QFile mp3(qmtest::testMedia("lesson.mp3"));
        QFile wma(qmtest::testMedia("lesson.wma"));
        ASSERT_TRUE(mp3.open(QIODevice::ReadOnly)) << mp3.fileName().toStdString();
        ASSERT_TRUE(wma.open(QIODevice::ReadOnly)) << wma.fileName().toStdString();
        web.serve("/lesson.mp3", "audio/mpeg", mp3.readAll());
        web.serve("/talk.wma", "audio/x-ms-wma", wma.readAll());
        web.serve("/clip.ram", "audio/x-pn-realaudio", web.url("/talk.rm").toUtf8() + "\n");
        web.serve("/talk.ram", "audio/x-pn-realaudio", web.url("/talk.rm").toUtf8() + "\n");
        const QByteArray links =
            "<a id='mp3' href='/lesson.mp3'>lesson</a>"
            "<a id='ram' href='/clip.ram'>clip</a>"
            "<a id='m' href='/x.m'>x.m</a>"
            "<a id='upper' href='/LESSON.MP3'>LESSON</a>"
            "<a id='page' href='/page.html'>page</a>"
            "<a id='PAGE' href='/PAGE.HTML'>PAGE</a>"
            "<a id='host' href='" + web.url("/path").toUtf8() + "'>path</a>"
            "<a id='file' href='file://" + qmtest::testMedia("lesson.mp3").toUtf8() + "'>file</a>"
            "<a id='wmaBlank' target='_blank' href='/talk.wma'>talk.wma</a>"
            "<a id='ramBlank' target='_blank' href='/talk.ram'>talk.ram</a>"
            "<a id='wma' href='/talk.wma'>talk.wma here</a>"
            "<a id='rtsp' href='rtsp://127.0.0.1:1/live.rm'>rtsp</a>"
            "<a id='mms' href='mms://127.0.0.1:1/live.wma'>mms</a>"
            "<a id='go' href='/go'>go on to talk.wma</a>";
        web.redirect("/go", "/talk.wma");
        web.serve("/index.html", "text/html", html("index", links));
        for (const char* p : {"/page.html", "/PAGE.HTML", "/LESSON.MP3", "/path"}) {
            web.serve(p, "text/html", html(p, "<a id='index' href='/index.html'>back</a>"));
        }

        ie.show();
        ASSERT_TRUE(ie.hasWebEngine());
        page = qobject_cast<QWebEnginePage*>(ie.page());
        ASSERT_NE(page, nullptr);
        QObject::connect(page, &QWebEnginePage::loadFinished, page, [this](bool ok) {
            if (ok) ++loads;
        });
        QObject::connect(page, &QWebEnginePage::loadingChanged, page, [this](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
                started << info.url();
            } else {
                ended << info.url();
            }
        });
        QObject::connect(ie.StatusBar1, &QStatusBar::messageChanged, ie.StatusBar1,
                         [this](const QString& m) { statusMessages << m; });
    }

    static QString refusedMedia(const QString& address) {
        return QStringLiteral("ページが自動で開こうとしたメディアを開きませんでした: ") + address;
    }
    bool statusShowed(const QString& text) const { return statusMessages.contains(text); }

    static QByteArray html(const QByteArray& title, const QByteArray& body) {
        return "<!DOCTYPE html><html><head><title>" + title +
               "</title><style>a{display:block;height:30px}</style></head><body>" + body + "</body></html>";
    }

    QUrl url(const QString& path) const { return QUrl(web.url(path)); }
    QUrl shown() const { return ie.location(); }

    // A change of the lesson not yet saved: one more note line.
    static void giveUnsavedWork() {
        QStringList notes = frmMain->session().notes();
        notes << QStringLiteral("not saved yet");
        frmMain->session().editNotes(notes);
    }

    // Goes to path through the address box and waits until the page is there.
    bool go(const QString& path) {
        const int before = loads;
        ie.cmbURL->setEditText(web.url(path));
        ie.btnGoClick();
        return waitFor([&] { return loads > before && shown() == url(path); }, 15000);
    }

    struct Link {
        QPoint centre{-1, -1};  // in the view
        QString href;
    };

    // Asks the page where the link is; tries again while the page that has it
    // is still on its way.
    Link link(const QString& id) {
        Link l;
        waitFor(
            [&] {
                bool answered = false;
                page->runJavaScript(
                    QStringLiteral("(function(){var a=document.getElementById('%1'); if (!a) return [];"
                                   "var r=a.getBoundingClientRect(); return [r.left + 10, r.top + r.height / 2, a.href];})()")
                        .arg(id),
                    [&](const QVariant& v) {
                        const QVariantList xs = v.toList();
                        if (xs.size() == 3) l = Link{QPoint(xs[0].toInt(), xs[1].toInt()), xs[2].toString()};
                        answered = true;
                    });
                waitFor([&] { return answered; }, 3000);
                return l.centre.x() >= 0;
            },
            3000);
        return l;
    }

    QPoint inWindow(const QPoint& inView) const { return ie.WebBrowser1->mapTo(&ie, inView); }
    QPoint emptySpot() const { return QPoint(10, ie.WebBrowser1->height() - 10); }  // below the links

    // A later event in the order of the user's input: a click on an empty spot
    // of the page, which a script of the page answers by setting its title.
    // What the engine made of the input before it (a navigation asked for,
    // refused or cancelled) has reached the window by then, and what the
    // window queued for it has run.
    bool laterClickAnswered() {
        const QString title = QStringLiteral("answered %1").arg(++answers);
        const auto installed = std::make_shared<bool>(false);
        page->runJavaScript(QStringLiteral("window.onmouseup = function() { document.title = '%1'; }").arg(title),
                            [installed](const QVariant&) { *installed = true; });
        if (!waitFor([&] { return *installed; }, 3000)) return false;
        const bool answered = waitFor(
            [&] {
                QTest::mouseClick(ie.windowHandle(), Qt::LeftButton, {}, inWindow(emptySpot()));
                return waitFor([&] { return page->title() == title; }, 500);
            },
            5000);
        return answered && qmtest::waitForPosted();
    }

    // The pointer rests on a link as the user's would, until the engine reports
    // it (right after a load the page may not take input yet). True when it did;
    // the report may have been replaced by another status text since.
    bool hover(const QString& id) {
        const Link l = link(id);
        if (l.centre.x() < 0) return false;
        const qsizetype from = statusMessages.size();
        const auto reported = [&] {
            return ie.StatusBar1->currentMessage() == l.href || statusMessages.indexOf(l.href, from) >= 0;
        };
        int nudge = 0;
        return waitFor(
            [&] {
                if (reported()) return true;
                QTest::mouseMove(ie.windowHandle(), inWindow(l.centre + QPoint(nudge++ % 2, 0)));
                return reported();
            },
            5000);
    }

    // The pointer leaves the links for an empty spot of the page; true when the
    // engine cleared the status text.
    bool leaveLinks() {
        const QPoint empty = emptySpot();
        int nudge = 0;
        return waitFor(
            [&] {
                QTest::mouseMove(ie.windowHandle(), inWindow(empty + QPoint(nudge++ % 2, 0)));
                return ie.StatusBar1->currentMessage().isEmpty();
            },
            5000);
    }

    // The user's click on a link: a real mouse click, so that the page sees a
    // user gesture, which the engine's history wants for going back later.
    bool click(const QString& id) {
        if (!hover(id)) return false;
        QTest::mouseClick(ie.windowHandle(), Qt::LeftButton, {}, inWindow(link(id).centre));
        return true;
    }

    // The user's click on an element that is no link: the pointer goes there
    // first, so that no link is under it when the button goes down.
    bool press(const QString& id) {
        const Link l = link(id);
        if (l.centre.x() < 0) return false;
        QTest::mouseMove(ie.windowHandle(), inWindow(l.centre));
        if (!waitFor([&] { return ie.StatusBar1->currentMessage().isEmpty(); }, 3000)) return false;
        QTest::mouseClick(ie.windowHandle(), Qt::LeftButton, {}, inWindow(l.centre));
        return true;
    }

    // Clicks a link and waits for the page it names.
    bool clickAndLoad(const QString& id, const QString& path) {
        const int before = loads;
        if (!click(id)) return false;
        return waitFor([&] { return loads > before && shown() == url(path); }, 5000);
    }

    bool historyHas(const QString& path) const { return frmInfo->historyPaths().contains(web.url(path)); }
    // The player took the address: it opened (and entered the history) or
    // said that it could not open it.
    bool reachedPlayer(const QString& address) const {
        if (frmInfo->historyPaths().contains(address)) return true;
        const QString failed = QStringLiteral("ファイル %1 は開けません\n").arg(address);
        for (const QString& m : app.dialogs->messages)
            if (m.startsWith(failed)) return true;
        return false;
    }
    bool historyHasMedia() const {
        for (const QString& p : frmInfo->historyPaths()) {
            if (isMediaLink(p, kWmp, kRp)) return true;
        }
        return false;
    }
};

TEST_F(Browser, MediaLinksGoToThePlayerWhileThePageStays) {
    ASSERT_TRUE(go("/index.html"));
    frmMain->hide();

    // An mp3 link: cancelled, opened in the player from this server, playing.
    ASSERT_TRUE(click("mp3"));
    ASSERT_TRUE(waitFor([&] { return frmMain->state().mediaFile == web.url("/lesson.mp3").toStdString(); }, 10000));
    EXPECT_GT(frmMain->state().mediaLength, 1000);
    EXPECT_TRUE(waitFor([] { return frmMain->session().isPlaying(); }, 3000));
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_GE(web.requestCount("/lesson.mp3"), 1);  // the player fetched it
    EXPECT_EQ(shown(), url("/index.html"));
    EXPECT_EQ(ie.cmbURL->currentText(), web.url("/index.html"));

    // A ram link: the streaming list is consulted too.
    frmMain->hide();
    ASSERT_TRUE(click("ram"));
    EXPECT_TRUE(waitFor([&] { return reachedPlayer(web.url("/clip.ram")); }, 8000));
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_EQ(shown(), url("/index.html"));

    // ".m" occurs in ".mp3.": media too, though nothing is there to play.
    frmMain->hide();
    ASSERT_TRUE(click("m"));
    EXPECT_TRUE(waitFor([&] { return reachedPlayer(web.url("/x.m")); }, 8000));
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_EQ(shown(), url("/index.html"));

    // Capitals are no listed extension: the page loads in the browser.
    frmMain->hide();
    EXPECT_TRUE(clickAndLoad("upper", "/LESSON.MP3"));
    EXPECT_FALSE(historyHas("/LESSON.MP3"));
    EXPECT_FALSE(frmMain->isVisible());
    ASSERT_TRUE(clickAndLoad("index", "/index.html"));

    EXPECT_TRUE(clickAndLoad("page", "/page.html"));
    ASSERT_TRUE(clickAndLoad("index", "/index.html"));

    // The last "." lies in the host name "127.0.0.1": no media.
    EXPECT_TRUE(clickAndLoad("host", "/path"));
    EXPECT_FALSE(historyHas("/path"));
    EXPECT_FALSE(frmMain->isVisible());
    ASSERT_TRUE(clickAndLoad("index", "/index.html"));

    // Streaming addresses go to the player too (nothing answers there).
    frmMain->hide();
    ASSERT_TRUE(click("rtsp"));
    EXPECT_TRUE(waitFor([&] { return reachedPlayer("rtsp://127.0.0.1:1/live.rm"); }, 8000));
    EXPECT_TRUE(waitFor([] { return frmMain->isVisible(); }, 8000));
    frmMain->hide();
    ASSERT_TRUE(click("mms"));
    EXPECT_TRUE(waitFor([&] { return reachedPlayer("mms://127.0.0.1:1/live.wma"); }, 8000));
    EXPECT_TRUE(waitFor([] { return frmMain->isVisible(); }, 8000));
    EXPECT_EQ(shown(), url("/index.html"));
    app.dialogs->messages.clear();  // the failures of the addresses that had nothing to play

    // The user's link, sent on by the server to media: the user's still.
    ASSERT_TRUE(click("go"));
    EXPECT_TRUE(waitFor([&] { return frmMain->state().mediaFile == web.url("/talk.wma").toStdString(); }, 10000));
    EXPECT_EQ(shown(), url("/index.html"));
    frmMain->hide();

    // A local file with a media name: neither played nor shown.
    const QStringList history = frmInfo->historyPaths();
    ASSERT_TRUE(click("file"));
    ASSERT_TRUE(laterClickAnswered());
    EXPECT_EQ(frmInfo->historyPaths(), history);
    EXPECT_EQ(frmMain->state().mediaFile, web.url("/talk.wma").toStdString());
    EXPECT_FALSE(frmMain->isVisible());
    EXPECT_EQ(shown(), url("/index.html"));

    // The engine refuses that one itself; the window's own rule refuses it
    // too, and any local address a web page leads to, while the user may
    // still type one.
    using qm::NavigationKind;
    const QUrl localMedia = QUrl::fromLocalFile(qmtest::testMedia("lesson.mp3"));
    const QUrl localPage = QUrl::fromLocalFile(qmtest::testMedia("lesson.times"));
    bool cancel = false;
    ie.WebBrowser1BeforeNavigate2({localMedia, NavigationKind::Typed, true}, cancel);
    EXPECT_TRUE(cancel);
    cancel = false;
    ie.WebBrowser1BeforeNavigate2({QUrl("data:audio/mpeg;base64,AAAA#.mp3"), NavigationKind::Typed, true}, cancel);
    EXPECT_TRUE(cancel);
    cancel = false;
    ie.WebBrowser1BeforeNavigate2({localPage, NavigationKind::LinkClicked, true}, cancel);
    EXPECT_TRUE(cancel);
    cancel = false;
    ie.WebBrowser1BeforeNavigate2({localPage, NavigationKind::Typed, true}, cancel);
    EXPECT_FALSE(cancel);
    ASSERT_TRUE(qmtest::waitForPosted());  // an open for the player goes through the queue
    EXPECT_EQ(frmInfo->historyPaths(), history);
    EXPECT_FALSE(frmMain->isVisible());
    EXPECT_TRUE(app.dialogs->messages.isEmpty()) << app.dialogs->messages.join('|').toStdString();
}

TEST_F(Browser, ANewWindowIsTakenForMediaByTheLastHoveredLink) {
    ASSERT_TRUE(go("/index.html"));
    frmMain->hide();

    // The pointer rests on talk.wma; the page opens it in a new window.
    ASSERT_TRUE(hover("wmaBlank"));
    EXPECT_EQ(ie.pendingMediaLink(), web.url("/talk.wma"));
    ASSERT_TRUE(click("wmaBlank"));
    ASSERT_TRUE(waitFor([&] { return frmMain->state().mediaFile == web.url("/talk.wma").toStdString(); }, 10000));
    EXPECT_GT(frmMain->state().mediaLength, 1000);
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_TRUE(ie.pageWindows().isEmpty());
    EXPECT_EQ(shown(), url("/index.html"));
    EXPECT_EQ(ie.pendingMediaLink(), web.url("/talk.wma"));  // not cleared by use

    // talk.ram fails the media-player test: the earlier link is still the
    // pending one, so the window request plays talk.wma again.
    ASSERT_TRUE(hover("ramBlank"));
    EXPECT_EQ(ie.pendingMediaLink(), web.url("/talk.wma"));
    frmMain->hide();
    const int opens = frmInfo->historyPaths().count(web.url("/talk.wma"));
    ASSERT_TRUE(click("ramBlank"));
    EXPECT_TRUE(waitFor([&] { return frmMain->isVisible(); }, 8000));
    EXPECT_TRUE(ie.pageWindows().isEmpty());
    EXPECT_FALSE(historyHas("/talk.ram"));
    EXPECT_EQ(frmInfo->historyPaths().first(), web.url("/talk.wma"));
    EXPECT_EQ(frmInfo->historyPaths().count(web.url("/talk.wma")), opens);  // moved to the top, once

    // The pointer leaves the link and the engine empties the status text: no
    // media is pending any more.
    ASSERT_TRUE(leaveLinks());
    EXPECT_EQ(ie.pendingMediaLink(), "");
    ASSERT_TRUE(hover("ramBlank"));
    EXPECT_EQ(ie.pendingMediaLink(), "");
    frmMain->hide();
    ASSERT_TRUE(click("ramBlank"));
    ASSERT_TRUE(waitFor([&] { return ie.pageWindows().size() == 1; }, 8000));
    TfrmIE* opened = ie.pageWindows().first();
    EXPECT_TRUE(opened->isVisible());
    EXPECT_NE(opened, frmIE);
    // The new window is ours: its own link test hands talk.ram to the player.
    EXPECT_TRUE(waitFor([&] { return reachedPlayer(web.url("/talk.ram")); }, 8000));
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_EQ(shown(), url("/index.html"));

    // A window a page was given goes when closed; frmIE only hides.
    opened->close();
    EXPECT_TRUE(waitFor([&] { return ie.pageWindows().isEmpty(); }, 3000));
}

TEST_F(Browser, TheAddressBoxListsCompletedAddressesOnce) {
    ie.btnBackClick();  // no page yet: nothing happens, no message
    ie.btnForwardClick();
    ASSERT_TRUE(qmtest::waitForPosted());
    EXPECT_TRUE(shown().isEmpty());

    // Gone to from the box: the box already shows it exactly, nothing is added.
    ie.cmbURL->setEditText(web.url("/index.html"));
    ie.btnGoClick();
    EXPECT_EQ(ie.StatusBar1->currentMessage(), "しばらくお待ちください．．．");
    ASSERT_TRUE(go("/index.html"));
    // The engine starts navigations in the order they are asked for: none came
    // from the buttons before the box's.
    EXPECT_EQ(started.value(0), url("/index.html"));
    EXPECT_EQ(ie.cmbURL->count(), 4);

    // Reached by a link: added at the end, once, and shown.
    ASSERT_TRUE(clickAndLoad("page", "/page.html"));
    ASSERT_EQ(ie.cmbURL->count(), 5);
    EXPECT_EQ(ie.cmbURL->itemText(4), web.url("/page.html"));
    EXPECT_EQ(ie.cmbURL->currentText(), web.url("/page.html"));
    // What the window queued has run; a report of the engine coming later
    // still would show in the count after going back.
    ASSERT_TRUE(qmtest::waitForPosted());
    EXPECT_EQ(ie.cmbURL->count(), 5);

    int before = loads;
    ie.btnBackClick();
    ASSERT_TRUE(waitFor([&] { return loads > before && shown() == url("/index.html"); }, 5000));
    EXPECT_TRUE(waitFor([&] { return ie.cmbURL->currentText() == web.url("/index.html"); }, 3000));
    ASSERT_EQ(ie.cmbURL->count(), 6);
    EXPECT_EQ(ie.cmbURL->itemText(5), web.url("/index.html"));

    // There again: nothing added.
    before = loads;
    ie.btnForwardClick();
    ASSERT_TRUE(waitFor([&] { return loads > before && shown() == url("/page.html"); }, 5000));
    EXPECT_TRUE(waitFor([&] { return ie.cmbURL->currentText() == web.url("/page.html"); }, 3000));
    ASSERT_TRUE(clickAndLoad("index", "/index.html"));
    EXPECT_EQ(ie.cmbURL->count(), 6);

    // The item search ignores letter case: PAGE.HTML is shown, not added.
    ASSERT_TRUE(clickAndLoad("PAGE", "/PAGE.HTML"));
    EXPECT_EQ(ie.cmbURL->currentText(), web.url("/PAGE.HTML"));
    EXPECT_EQ(ie.cmbURL->count(), 6);
    const qsizetype startedBefore = started.size();
    ie.btnForwardClick();  // nothing ahead: nothing happens
    ASSERT_TRUE(qmtest::waitForPosted());
    EXPECT_EQ(shown(), url("/PAGE.HTML"));

    // The program setting the text starts nothing.
    ie.cmbURL->setEditText(web.url("/page.html"));
    ASSERT_TRUE(qmtest::waitForPosted());
    EXPECT_EQ(shown(), url("/PAGE.HTML"));

    // Typing starts nothing; Enter goes to what was typed.
    ie.cmbURL->setEditText(web.url("/page.htm"));
    ie.StatusBar1->clearMessage();
    QTest::keyClick(ie.cmbURL->lineEdit(), 'l');
    EXPECT_EQ(ie.StatusBar1->currentMessage(), "");
    before = loads;
    QTest::keyClick(ie.cmbURL->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(ie.StatusBar1->currentMessage(), kPleaseWait);
    EXPECT_TRUE(waitFor([&] { return loads > before && shown() == url("/page.html"); }, 5000));
    // The engine starts navigations in the order they are asked for: Enter's
    // was the first since the button and the program's text.
    EXPECT_EQ(started.mid(startedBefore), QList<QUrl>{url("/page.html")});

    // Choosing an item from the list navigates to it.
    ie.cmbURL->setCurrentIndex(4);  // page.html; the program's choice starts nothing
    before = loads;
    QTest::keyClick(ie.cmbURL, Qt::Key_Down);  // the user's choice: index.html
    EXPECT_EQ(ie.cmbURL->currentText(), web.url("/index.html"));
    EXPECT_TRUE(waitFor([&] { return loads > before && shown() == url("/index.html"); }, 5000));
    EXPECT_EQ(ie.cmbURL->count(), 6);
    EXPECT_TRUE(app.dialogs->messages.isEmpty()) << app.dialogs->messages.join('|').toStdString();
}

// The user types addresses while the page moves on by itself: no keystroke
// goes anywhere, the pages shown are listed but the typed text stays, and
// Enter goes to what was typed.
TEST_F(Browser, TypingInTheAddressBoxGoesNowhereUntilEnter) {
    constexpr int kHops = 10;
    for (int i = 1; i <= kHops; ++i) {
        const QByteArray next = "<script>setTimeout(function(){location.href='/hop" + QByteArray::number(i + 1) +
                                ".html'}, 100)</script>";
        web.serve("/hop" + QByteArray::number(i) + ".html", "text/html", html("hop", i < kHops ? next : ""));
    }
    giveUnsavedWork();  // an open would ask to save first
    ASSERT_TRUE(go("/hop1.html"));
    statusMessages.clear();

    // Typed a few letters at a time, a page shown between each: "http://127."
    // on the way is no address to go to, let alone media.
    QLineEdit* edit = ie.cmbURL->lineEdit();
    edit->selectAll();
    const QString typed = web.url("/index.html");
    for (qsizetype i = 0; i < typed.size(); i += 6) {
        const int before = loads;
        QTest::keyClicks(edit, typed.mid(i, 6));
        ASSERT_TRUE(waitFor([&] { return loads > before; }, 5000)) << i;
        EXPECT_EQ(edit->text(), typed.left(i + 6));
    }
    ASSERT_TRUE(waitFor([&] { return shown() == url("/hop10.html"); }, 5000));
    EXPECT_EQ(edit->text(), typed);
    EXPECT_GE(ie.cmbURL->findText(web.url("/hop10.html")), 0);  // listed all the same
    EXPECT_FALSE(statusShowed(kPleaseWait));
    for (const QString& r : web.requests()) {
        EXPECT_TRUE(r.startsWith("/hop") || r == "/favicon.ico") << r.toStdString();
    }

    // The focus leaving the box with the address of an item starts nothing
    // either, though the box takes it for that item.
    edit->selectAll();
    QTest::keyClicks(edit, web.url("/hop3.html"));
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(edit, &out);
    EXPECT_FALSE(statusShowed(kPleaseWait));
    EXPECT_EQ(edit->text(), web.url("/hop3.html"));

    // Enter goes, the address read as a browser's address bar reads it.
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("127.0.0.1:%1/index.html").arg(web.port()));
    const int before = loads;
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(ie.StatusBar1->currentMessage(), kPleaseWait);
    ASSERT_TRUE(waitFor([&] { return loads > before && shown() == url("/index.html"); }, 5000));
    EXPECT_TRUE(waitFor([&] { return edit->text() == web.url("/index.html"); }, 3000));
    EXPECT_EQ(web.requestCount("/index.html"), 1);
    EXPECT_EQ(web.requestCount("/hop3.html"), 1);
    EXPECT_TRUE(app.dialogs->questions.isEmpty()) << app.dialogs->questions.join('|').toStdString();
}

// Pages that try media and windows on their own, in each way a page can:
// none of it reaches the player, and each media refusal is said.
TEST_F(Browser, APageOnItsOwnOpensNeitherMediaNorWindows) {
    // A flood of script navigations and window requests, with frames that load
    // media, are sent on to media by the server, or send the page itself there.
    web.serve("/flood.html", "text/html",
              html("flood",
                   "<iframe src='/frame.mp3'></iframe><iframe src='/toframe'></iframe><iframe src='/top.html'></iframe>"
                   "<script>var i = 0; var t = setInterval(function() {"
                   "  if (++i > 20) { clearInterval(t); location.href = '/meta.html'; return; }"
                   "  location.href = '/n' + i + '.mp3'; window.open('/w' + i + '.mp3'); window.open('/page.html');"
                   "}, 40);</script>"));
    web.redirect("/toframe", "/framed.mp3");
    web.serve("/top.html", "text/html", html("top", "<script>top.location.href = '/top.mp3';</script>"));
    // Then a refresh, a script while the page loads, the server's redirect of
    // a navigation the page made, and a streaming address; each page goes on
    // to the next by itself.
    const auto next = [](const char* first, const char* then) {
        return "<script>setTimeout(function(){location.href='" + QByteArray(first) +
               "'}, 50); setTimeout(function(){location.href='" + QByteArray(then) + "'}, 250)</script>";
    };
    web.serve("/meta.html", "text/html",
              "<html><head><meta http-equiv='refresh' content='0;url=/meta.mp3'></head><body>" +
                  next("/meta.mp3", "/inline.html") + "</body></html>");
    web.serve("/inline.html", "text/html",
              html("inline", next("/toredirect", "/rtsp.html") + "<script>location.replace('/inline.mp3')</script>"));
    web.redirect("/toredirect", "/redirected.mp3");
    web.serve("/rtsp.html", "text/html", html("rtsp", next("rtsp://127.0.0.1:1/auto.rm", "/done.html")));
    web.serve("/done.html", "text/html", html("done", ""));

    giveUnsavedWork();  // an open would ask to save first
    frmMain->hide();
    ie.cmbURL->setEditText(web.url("/flood.html"));  // its load may never finish: it is never left alone
    ie.btnGoClick();
    ASSERT_TRUE(waitFor([&] { return shown() == url("/done.html"); }, 20000))
        << shown().toString().toStdString() << "\n" << statusMessages.join("\n").toStdString();
    for (const char* p : {"/n1.mp3", "/n20.mp3", "/frame.mp3", "/framed.mp3", "/top.mp3", "/meta.mp3", "/inline.mp3",
                          "/redirected.mp3"}) {
        EXPECT_TRUE(statusShowed(refusedMedia(web.url(p)))) << p;
    }
    EXPECT_TRUE(statusShowed(kRefusedWindow));
    EXPECT_TRUE(app.dialogs->questions.isEmpty()) << app.dialogs->questions.join('|').toStdString();
    EXPECT_EQ(frmInfo->historyPaths(), QStringList());
    EXPECT_EQ(frmMain->state().mediaFile, "");
    EXPECT_FALSE(frmMain->isVisible());
    EXPECT_TRUE(ie.pageWindows().isEmpty());
    for (const QString& r : web.requests()) EXPECT_FALSE(r.endsWith(".mp3")) << r.toStdString();
}

// One press lets the page open one thing: the link the user clicked, though
// the page keeps trying media of its own; one window of forty asked for.
TEST_F(Browser, OnePressOnThePageOpensOneThing) {
    web.serve("/busy.html", "text/html",
              html("busy",
                   "<a id='wma' href='/talk.wma'>talk.wma</a>"
                   "<script>var i = 0; var t = setInterval(function() {"
                   "  if (++i > 400) clearInterval(t); location.href = '/n' + i + '.mp3';"
                   "}, 150);</script>"));
    web.serve("/windows.html", "text/html",
              html("windows",
                   "<a id='windows' href='#' onclick=\"for (var i = 0; i < 40; i++) window.open('/page.html');"
                   " setTimeout(function(){location.href='/done.html'}, 100); return false\">forty windows</a>"));
    web.serve("/done.html", "text/html", html("done", ""));

    giveUnsavedWork();
    app.dialogs->confirmAnswers.push_back(qm::Answer::No);
    ASSERT_TRUE(go("/busy.html"));
    ASSERT_TRUE(waitFor([&] { return statusShowed(refusedMedia(web.url("/n2.mp3"))); }, 5000));
    ASSERT_TRUE(click("wma"));
    ASSERT_TRUE(waitFor([&] { return frmMain->state().mediaFile == web.url("/talk.wma").toStdString(); }, 10000));
    // The page goes on trying: a few more of its tries, and nothing else opened.
    const qsizetype seen = statusMessages.size();
    ASSERT_TRUE(waitFor(
        [&] {
            int refusals = 0;
            for (qsizetype i = seen; i < statusMessages.size(); ++i) refusals += statusMessages[i].startsWith(refusedMedia(""));
            return refusals >= 3;
        },
        5000));
    EXPECT_EQ(app.dialogs->questions, QStringList{"保存しますか"});
    EXPECT_EQ(frmInfo->historyPaths(), QStringList{web.url("/talk.wma")});
    EXPECT_EQ(frmMain->state().mediaFile, web.url("/talk.wma").toStdString());

    ASSERT_TRUE(go("/windows.html"));
    ASSERT_TRUE(click("windows"));
    ASSERT_TRUE(waitFor([&] { return shown() == url("/done.html"); }, 8000));
    ASSERT_EQ(ie.pageWindows().size(), 1);
    TfrmIE* opened = ie.pageWindows().first();
    EXPECT_TRUE(waitFor([&] { return opened->location() == url("/page.html"); }, 5000));
    EXPECT_TRUE(statusShowed(kRefusedWindow));
    EXPECT_EQ(ie.pageWindows().size(), 1);
}

// A press lets through only a navigation to the link it was on: a page that
// answers a press elsewhere, on the page or on another link, or the window's
// back button, with media of its own gets it refused, however soon it asks.
TEST_F(Browser, APressLetsThroughOnlyTheLinkItWasOn) {
    QFile mp3(qmtest::testMedia("lesson.mp3"));
    ASSERT_TRUE(mp3.open(QIODevice::ReadOnly));
    const QByteArray media = mp3.readAll();
    for (const char* p : {"/late.mp3", "/other.mp3", "/popped.mp3"}) web.serve(p, "audio/mpeg", media);
    web.serve("/press.html", "text/html",
              html("press",
                   "<div id='pad' style='height:60px' onmousedown=\"setTimeout(function(){"
                   "  location.href='/late.mp3'; setTimeout(function(){location.href='/after.html'}, 100)}, 1500)\">"
                   "pad</div>"
                   "<a id='other' href='/page.html' onclick=\"location.href='/other.mp3';"
                   " setTimeout(function(){location.href='/after2.html'}, 100); return false\">page</a>"));
    // The window's back button takes the page back through an entry of its
    // own, which the page answers with media.
    web.serve("/push.html", "text/html",
              html("push",
                   "<div id='pad' style='height:60px' onclick=\"history.pushState({}, '', '#pushed')\">pad</div>"
                   "<script>window.onpopstate = function() { location.href = '/popped.mp3';"
                   " setTimeout(function(){location.href='/after3.html'}, 100); }</script>"));
    for (const char* p : {"/after.html", "/after2.html", "/after3.html"}) web.serve(p, "text/html", html(p, ""));

    ASSERT_TRUE(go("/press.html"));
    ASSERT_TRUE(press("pad"));
    ASSERT_TRUE(waitFor([&] { return shown() == url("/after.html"); }, 8000));
    EXPECT_TRUE(statusShowed(refusedMedia(web.url("/late.mp3"))));

    ASSERT_TRUE(go("/press.html"));
    ASSERT_TRUE(click("other"));
    ASSERT_TRUE(waitFor([&] { return shown() == url("/after2.html"); }, 8000));
    EXPECT_TRUE(statusShowed(refusedMedia(web.url("/other.mp3"))));

    ASSERT_TRUE(go("/push.html"));
    ASSERT_TRUE(press("pad"));
    ASSERT_TRUE(waitFor([&] { return shown() == QUrl(web.url("/push.html#pushed")); }, 5000));
    ie.btnBackClick();
    ASSERT_TRUE(waitFor([&] { return shown() == url("/after3.html"); }, 8000));
    EXPECT_TRUE(statusShowed(refusedMedia(web.url("/popped.mp3"))));

    EXPECT_EQ(frmMain->state().mediaFile, "");
    EXPECT_EQ(frmInfo->historyPaths(), QStringList());
    for (const char* p : {"/late.mp3", "/other.mp3", "/popped.mp3"}) EXPECT_EQ(web.requestCount(p), 0) << p;
    EXPECT_TRUE(app.dialogs->messages.isEmpty()) << app.dialogs->messages.join('|').toStdString();
}

// Typing in a page's text field lets nothing through, not even Enter there;
// Enter on a focused media link plays it.
TEST_F(Browser, KeysLetThroughOnlyEnterOnAFocusedLink) {
    web.serve("/field.html", "text/html",
              html("field",
                   "<input id='field' onkeydown=\"location.href='/key' + (++keys) + '.mp3'\">"
                   "<a id='mp3' href='/lesson.mp3'>lesson</a><script>var keys = 0;</script>"));
    ASSERT_TRUE(go("/field.html"));
    ASSERT_TRUE(press("field"));
    QWindow* window = ie.windowHandle();
    QTest::keyClick(window, Qt::Key_A);
    EXPECT_TRUE(waitFor([&] { return statusShowed(refusedMedia(web.url("/key1.mp3"))); }, 5000));
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return statusShowed(refusedMedia(web.url("/key2.mp3"))); }, 5000));
    // Tab takes the focus on to the link, which the engine reports as it
    // reports a link under the pointer; the field's handler tries once more.
    QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_TRUE(waitFor([&] { return statusShowed(refusedMedia(web.url("/key3.mp3"))); }, 5000));
    ASSERT_TRUE(waitFor([&] { return statusShowed(web.url("/lesson.mp3")); }, 5000));
    EXPECT_EQ(frmMain->state().mediaFile, "");
    EXPECT_EQ(frmInfo->historyPaths(), QStringList());

    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return frmMain->state().mediaFile == web.url("/lesson.mp3").toStdString(); }, 10000));
    EXPECT_EQ(frmInfo->historyPaths(), QStringList{web.url("/lesson.mp3")});
    for (const QString& r : web.requests()) EXPECT_FALSE(r.startsWith("/key")) << r.toStdString();
}

// A media address with a query is media all the same, by the extension of its
// path; a page address whose query names media is a page.
TEST_F(Browser, AQueryDoesNotHideMedia) {
    web.serve("/query.html", "text/html",
              html("query",
                   "<a id='mp3' href='/lesson.mp3?q=1'>lesson</a>"
                   "<a id='wmaBlank' target='_blank' href='/talk.wma?x=1'>talk</a>"
                   "<a id='page' href='/page.html?f=a.mp3'>page</a>"));
    ASSERT_TRUE(go("/query.html"));
    frmMain->hide();

    ASSERT_TRUE(click("mp3"));
    ASSERT_TRUE(waitFor([&] { return frmMain->state().mediaFile == web.url("/lesson.mp3?q=1").toStdString(); }, 10000));
    EXPECT_GT(frmMain->state().mediaLength, 1000);
    EXPECT_TRUE(frmMain->isVisible());
    EXPECT_EQ(shown(), url("/query.html"));

    // The status text of a link with a query passes the media test too: the
    // window the page asks for is taken for it.
    ASSERT_TRUE(hover("wmaBlank"));
    EXPECT_EQ(ie.pendingMediaLink(), web.url("/talk.wma?x=1"));
    ASSERT_TRUE(click("wmaBlank"));
    ASSERT_TRUE(waitFor([&] { return frmMain->state().mediaFile == web.url("/talk.wma?x=1").toStdString(); }, 10000));
    EXPECT_TRUE(ie.pageWindows().isEmpty());

    frmMain->hide();
    ASSERT_TRUE(clickAndLoad("page", "/page.html?f=a.mp3"));
    EXPECT_FALSE(frmMain->isVisible());
    EXPECT_EQ(frmInfo->historyPaths(), (QStringList{web.url("/talk.wma?x=1"), web.url("/lesson.mp3?q=1")}));
    EXPECT_TRUE(app.dialogs->messages.isEmpty()) << app.dialogs->messages.join('|').toStdString();
}

// Asks its questions with an event loop running, as a real box does: the
// first question runs whileAsking before it is answered.
class AskingDialogs : public qmtest::ScriptedDialogs {
public:
    std::function<void()> whileAsking;
    qm::Answer confirm(QWidget* parent, const QString& text) override {
        const qm::Answer answer = ScriptedDialogs::confirm(parent, text);
        if (auto f = std::exchange(whileAsking, nullptr)) f();
        return answer;
    }
};

TEST_F(Browser, NoOpenStartsWhileAQuestionIsShowing) {
    auto owned = std::make_unique<AskingDialogs>();
    AskingDialogs* dialogs = owned.get();
    app.dialogs = dialogs;
    qm::qmApp()->setDialogs(std::move(owned));
    dialogs->confirmAnswers.push_back(qm::Answer::No);
    const QString busy = QStringLiteral("確認の表示中のため、メディアを開きませんでした: ") + web.url("/talk.wma");
    dialogs->whileAsking = [&] {
        EXPECT_TRUE(qm::qmApp()->dialogShowing());
        ASSERT_TRUE(click("wma"));  // the user clicks another media link meanwhile
        EXPECT_TRUE(waitFor([&] { return statusShowed(busy); }, 8000));
    };

    giveUnsavedWork();
    ASSERT_TRUE(go("/index.html"));
    ASSERT_TRUE(click("mp3"));
    ASSERT_TRUE(waitFor([&] { return frmMain->state().mediaFile == web.url("/lesson.mp3").toStdString(); }, 15000));
    EXPECT_EQ(dialogs->questions, QStringList{"保存しますか"});
    EXPECT_TRUE(statusShowed(busy));
    EXPECT_FALSE(historyHas("/talk.wma"));
    EXPECT_EQ(web.requestCount("/talk.wma"), 0);
}

TEST_F(Browser, AMediaLinkWhileTheMemoIsEditedStaysCancelled) {
    ASSERT_TRUE(go("/index.html"));
    frmMemo->btnEditClick();
    ASSERT_TRUE(frmMemo->inEditMode());
    frmMain->hide();
    ASSERT_TRUE(click("mp3"));
    ASSERT_TRUE(waitFor([&] { return !app.dialogs->messages.isEmpty(); }, 8000));
    EXPECT_EQ(app.dialogs->messages, QStringList{"Memoの編集を終了してください"});
    EXPECT_TRUE(waitFor([] { return frmMain->isVisible(); }, 3000));
    EXPECT_EQ(frmMain->state().mediaFile, "");
    EXPECT_FALSE(historyHas("/lesson.mp3"));
    // The engine's report that the navigation ended: nothing more comes of it.
    ASSERT_TRUE(waitFor([&] { return ended.contains(url("/lesson.mp3")); }, 5000));
    EXPECT_EQ(web.requestCount("/lesson.mp3"), 0);
    EXPECT_EQ(shown(), url("/index.html"));
}

}  // namespace
