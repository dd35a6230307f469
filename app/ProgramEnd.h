#pragma once

#include <QObject>

class QSessionManager;
class QSocketNotifier;

namespace qm {

// However the program ends, nothing of the learner's is lost: the settings
// file is written when the event loop ends (whichever window is still open);
// a logout asks the main window's save question, as a close does; a
// termination signal (SIGTERM, SIGHUP, SIGINT) keeps unsaved block data in a
// recovery file and ends the event loop. One instance, made after the windows.
class ProgramEnd : public QObject {
    Q_OBJECT
public:
    explicit ProgramEnd(QObject* parent = nullptr);
    ~ProgramEnd() override;  // puts the signals' default handling back

private:
    void onSignal();
    void onCommitData(QSessionManager& manager);
    void onAboutToQuit();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qm
