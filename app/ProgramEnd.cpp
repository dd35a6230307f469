#include "app/ProgramEnd.h"

#include "ui/Application.h"
#include "session/PracticeSession.h"
#include "settings/Settings.h"
#include "files/WholeFile.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace qm {

namespace {

// The handler may only write to a descriptor; the event loop reads the other end.
int signalPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

void onTerminationSignal(int sig) {
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const auto n = ::write(signalPipe[0], &c, 1);
}

}  // namespace

ProgramEnd::ProgramEnd(PracticeSession& session, Settings& settings, QObject* parent)
    : QObject(parent), session_(session), settings_(settings) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        notifier_ = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, guarded([this] { onSignal(); }));
        struct sigaction sa {};
        sa.sa_handler = onTerminationSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
    }
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager& manager) { guarded([&] { onCommitData(manager); })(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, guarded([this] { writeSettings(settings_); }));
}

ProgramEnd::~ProgramEnd() {
    if (notifier_ == nullptr) return;
    for (int sig : kSignals) std::signal(sig, SIG_DFL);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void ProgramEnd::onSignal() {
    char c = 0;
    [[maybe_unused]] const auto n = ::read(signalPipe[1], &c, 1);
    session_.KeepUnsavedWork();
    // Every event loop ends, a question box's or an open's wait included.
    QCoreApplication::exit(0);
}

void ProgramEnd::onCommitData(QSessionManager& manager) {
    if (!manager.allowsInteraction()) {
        session_.KeepUnsavedWork();
        return;
    }
    const bool release = session_.CommitData();
    manager.release();
    if (!release) manager.cancel();
}

void ProgramEnd::writeSettings(Settings& settings) {
    if (const auto e = settings.save()) qmApp()->showError(PracticeSession::cannotCreate(*e));
}

}  // namespace qm
