#include "Program.h"

#include "Application.h"
#include "MetafileFetch.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

namespace qm {

Program::Program(const QString& settingsPath, PracticeSession::Clock clock)
    : settings_(settingsPath.isEmpty() ? Settings::defaultPath() : settingsPath) {
    settings_.load();
    qmApp()->installLanguage(settings_.language() == Settings::Language::English);
    session_ = std::make_unique<PracticeSession>(settings_, prompts_, std::move(clock), QString(),
                                                 networkMetafileFetcher(network_));
    frmMain = new TfrmMain(*session_);
    prompts_.setParentWindow(frmMain);
    frmMemo = new TfrmMemo(*session_);
    frmIE = new TfrmIE(*session_, frmMain);
    frmInfo = new TfrmInfo(*session_);
    frmMain->setCompanions(frmMemo, frmIE, frmInfo);
    frmMain->setWindowIconText(qmApp()->title());
    // The desktop's media keys; without a session bus the program runs the same.
    mpris_ = std::make_unique<MprisService>(*session_);
    QObject::connect(mpris_.get(), &MprisService::raiseRequested, frmMain, [] {
        frmMain->show();
        frmMain->raise();
        frmMain->activateWindow();
    });
    mpris_->start();
}

Program::~Program() {
    mpris_.reset();
    session_->state().dirty = false;  // asked about already, or given up
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
