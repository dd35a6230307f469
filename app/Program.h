#pragma once

#include "mpris/MprisService.h"
#include "session/PracticeSession.h"
#include "settings/Settings.h"
#include "ui/WindowPrompts.h"

#include <QNetworkAccessManager>
#include <QString>

#include <memory>

class QWidget;

namespace qm {

// The program's parts in the order they are made: the settings (read first),
// the practice session over them, and the four windows over the session, the
// main one first, each held in its program-wide reference. Destroyed, the
// windows go first, in the order they came, then the session. Writing the
// settings at the end is ProgramEnd's business.
class Program {
public:
    // All: the four windows at once. MainFirst: the main window only; the
    // memo, browser and info windows (hidden until asked for) follow
    // makeHiddenWindows(), so that the main window paints without waiting for them.
    enum class Windows { All, MainFirst };

    // settingsPath empty: Settings::defaultPath().
    explicit Program(const QString& settingsPath = {}, PracticeSession::Clock clock = PracticeSession::Clock::real(),
                     Windows windows = Windows::All);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Settings& settings() { return settings_; }
    PracticeSession& session() { return *session_; }
    MprisService& mpris() { return *mpris_; }
    void makeHiddenWindows();                    // once; nothing when they are there
    // Each window's place and size, kept in the settings for the next run.
    void keepWindowPlaces();
    void makeHiddenWindowsAfterTheFirstPaint();  // queued behind the main window's show

private:
    void placeWindow(QWidget* window);  // where it was last run, when that is on a screen

    Settings settings_;
    WindowPrompts prompts_;
    QNetworkAccessManager network_;
    std::unique_ptr<PracticeSession> session_;
    std::unique_ptr<MprisService> mpris_;
};

}  // namespace qm
