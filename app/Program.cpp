#include "app/Program.h"

#include "ui/Application.h"
#include "media/MetafileFetch.h"
#include "mainwindow/Unit1.h"
#include "memo/Unit2.h"
#include "browser/Unit3.h"
#include "info/Unit4.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <vector>

namespace qm {

Program::Program(const QString& settingsPath, PracticeSession::Clock clock, Windows windows)
    : settings_(settingsPath.isEmpty() ? Settings::defaultPath() : settingsPath) {
    settings_.load();
    qmApp()->installLanguage(settings_.language() == Settings::Language::English);
    session_ = std::make_unique<PracticeSession>(settings_, prompts_, std::move(clock), QString(),
                                                 networkMetafileFetcher(network_));
    frmMain = new TfrmMain(*session_, settings_);
    placeWindow(frmMain);
    prompts_.setParentWindow(frmMain);
    frmMain->setWindowIconText(qmApp()->title());
    if (windows == Windows::All) makeHiddenWindows();
    // The desktop's media keys; without a session bus the program runs the same.
    mpris_ = std::make_unique<MprisService>(*session_);
    QObject::connect(mpris_.get(), &MprisService::raiseRequested, frmMain, [] {
        frmMain->show();
        frmMain->raise();
        frmMain->activateWindow();
    });
    // Registered once the loop runs: the first paint does not wait for the bus.
    QTimer::singleShot(0, mpris_.get(), [service = mpris_.get()] { service->start(); });
    // Before the settings are written (the program's end connects later).
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, frmMain, [this] { keepWindowPlaces(); });
}

namespace {

// The windows by the names their places are kept under.
std::vector<QWidget*> windowsByName() {
    std::vector<QWidget*> out;
    for (QWidget* w : std::initializer_list<QWidget*>{frmMain, frmMemo, frmIE, frmInfo})
        if (w != nullptr) out.push_back(w);
    return out;
}

// A kept place is used only where some screen still shows the window's top left.
bool onSomeScreen(const QRect& r) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(r.topLeft())) return true;
    return false;
}

}  // namespace

void Program::placeWindow(QWidget* window) {
    const QRect kept = settings_.windowGeometry(window->objectName());
    if (!kept.isValid() || !onSomeScreen(kept)) return;
    window->move(kept.topLeft());
    window->resize(kept.size());
}

void Program::keepWindowPlaces() {
    for (QWidget* w : windowsByName()) settings_.setWindowGeometry(w->objectName(), QRect(w->pos(), w->size()));
}

void Program::makeHiddenWindows() {
    if (frmMemo != nullptr) return;
    frmMemo = new TfrmMemo(*session_);
    frmIE = new TfrmIE(*session_, frmMain);
    frmInfo = new TfrmInfo(*session_, settings_);
    // The memo window opens beside the main window, not over its counter and buttons.
    frmMemo->move(frmMain->frameGeometry().right() + 8, frmMain->frameGeometry().top());
    for (QWidget* w : std::initializer_list<QWidget*>{frmMemo, frmIE, frmInfo}) placeWindow(w);
    QObject::connect(frmMain, &TfrmMain::keysRequested, frmInfo, &TfrmInfo::showKeys);
    frmMain->setCompanions(frmMemo, frmIE, frmInfo);
}

namespace {

// Runs a call once, right after the watched window's first paint.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget* window, std::function<void()> then) : QObject(window), then_(std::move(then)) {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, parent(), then_);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> then_;
};

}  // namespace

void Program::makeHiddenWindowsAfterTheFirstPaint() {
    new AfterFirstPaint(frmMain, [this] { makeHiddenWindows(); });
}

Program::~Program() {
    mpris_.reset();
    delete frmMain;
    frmMain = nullptr;
    delete frmMemo;
    frmMemo = nullptr;
    delete frmIE;
    frmIE = nullptr;
    delete frmInfo;
    frmInfo = nullptr;
    qmApp()->installLanguage(false);
}

}  // namespace qm
