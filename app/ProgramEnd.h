#pragma once

#include <QObject>

class QSessionManager;
class QSocketNotifier;

namespace qm {

class PracticeSession;
class Settings;

// However the program ends, nothing of the learner's is lost: the settings
// are written when the event loop ends (whichever window is still open); a
// logout asks the save question, as a close does; a termination signal
// (SIGTERM, SIGHUP, SIGINT) keeps unsaved block data in a recovery file and
// ends the event loop. One instance, made after the windows.
class ProgramEnd : public QObject {
    Q_OBJECT
public:
    ProgramEnd(PracticeSession& session, Settings& settings, QObject* parent = nullptr);
    ~ProgramEnd() override;  // puts the signals' default handling back

    // Writes the settings; a failure is said in a message box, the old file kept.
    static void writeSettings(Settings& settings);

private:
    void onSignal();
    void onCommitData(QSessionManager& manager);

    PracticeSession& session_;
    Settings& settings_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qm
