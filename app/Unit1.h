#pragma once

#include "BlockFile.h"
#include "MediaEngine.h"
#include "PositionBars.h"
#include "PracticeState.h"
#include "RepeatController.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <string_view>
#include <vector>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;
class TWindowsMediaPlayer;
class TRealAudio;

namespace qm {
class Dialogs;
}

// What the file dialogs of the main window remember between uses.
struct TFileDialogState {
    QString initialDir;
    QString fileName;  // the last name chosen, or proposed when cancelled
};

// The main window: the bars, the block controls, the repeat options, the rate
// selector and the two playback controls. Owns the practice state, the engine
// adapter, the bars and the repeat controller; the notes belong to frmMemo and
// the history and extension lists to frmInfo.
class TfrmMain : public QWidget, private qm::RepeatHost {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    qm::PracticeState& state() { return state_; }
    qm::MediaEngine& engine() { return *engine_; }
    qm::PositionBars& bars() { return *bars_; }
    qm::RepeatController& repeater() { return *repeater_; }

    // Opening media; every way in ends here. True only when a media file was
    // opened and the block list reset.
    bool OpenFile(const QString& path);
    bool openInProgress() const { return waitingForLength_; }
    void OpenDroppedFile(const QString& path);

    bool CanReleaseMedia();
    // The logout's question: CanReleaseMedia; agreed, the unsaved data is
    // given up (a "No" means so), and nothing is kept for recovery afterwards.
    bool CommitData();
    // The program is ended from outside: unsaved block data and notes, an
    // unended memo edit included, go to the media's recovery file.
    void KeepUnsavedWork();
    void EnableBlockControls(bool enabled);
    void ReleaseFocus();

    // Block list and block commands.
    void SelectBlock(int32_t n);
    void ShowBlockNo();
    void btnMarkClick();
    void btnNextClick();
    void btnBackClick();
    void btnRepClick();
    void btnPlayClick();
    void btnLDelClick();
    void btnRDelClick();
    void btnClearClick();
    void FormKeyPress(QChar key);

    // Block files.
    bool SaveBlockData();
    // Applies a block file's bytes to the open media; a faulty file changes nothing.
    void ApplyBlockData(std::string_view fileBytes);
    void btnSaveClick();
    void btnLoadClick();

    void btnOpenClick();
    void btnMemoClick();
    void btnIEClick();
    void btnInfoClick();
    void cmbRateChange();

    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void Image2MouseDown(Qt::MouseButton button, int x, int y);

    void Timer1Timer();
    void Timer2Timer();
    void WindowsMediaPlayer1StatusChange();
    void WindowsMediaPlayer1PlayStateChange(int newState);
    void RealAudio1PlayStateChange(int newState);
    void RepeatingClick();

    void AddHistory(const QString& path);

    // Runs once, at the first show: opens the first command-line argument.
    void setCommandLine(const QStringList& arguments) { arguments_ = arguments; }

    // Controls, named as the window's design names them.
    QFrame* Panel1;
    qm::TBarImage* Image1;
    QLabel* Panel2;
    qm::TBarImage* Image2;
    QGroupBox* GroupBox1;
    QGroupBox* RadioGroup1;
    QButtonGroup* RadioGroup1Items;
    QGroupBox* RadioGroup2;
    QButtonGroup* RadioGroup2Items;
    QGroupBox* GroupBox2;
    QLabel* lblBlock;
    QToolButton* btnMark;
    QToolButton* btnLDel;
    QLabel* del;
    QToolButton* btnRDel;
    QPushButton* btnBack;
    QPushButton* btnRep;
    QPushButton* btnNext;
    QToolButton* btnClear;
    QGroupBox* GroupBox3;
    QPushButton* btnMemo;
    QPushButton* btnSave;
    QPushButton* btnLoad;
    QLabel* FileName;
    QToolButton* btnOpen;
    QToolButton* btnIE;
    QPushButton* btnInfo;
    QLabel* lblPos;
    QComboBox* cmbRate;
    QLabel* Label1;
    TWindowsMediaPlayer* WindowsMediaPlayer1;
    TRealAudio* RealAudio1;
    QTimer* Timer1;
    QTimer* Timer2;
    TFileDialogState OpenDialog1;
    TFileDialogState OpenDialog2;
    TFileDialogState SaveDialog1;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormResize();
    void layoutStrips();
    bool followBlockFile(const QString& path);
    void offerRecovery();
    qm::blockfile::BlockData blockData(const QStringList& notes) const;
    QString openFilter() const;
    QString wmpExtensions() const;
    QString rpExtensions() const;
    qm::Dialogs& dialogs();

    // RepeatHost
    void readPosition() override;
    void seekTo(int32_t ms) override;
    void mediaPlay() override;
    void mediaPause() override;
    int blockModeIndex() const override;
    int afterBlockIndex() const override;
    void selectBlock(int32_t n) override { SelectBlock(n); }
    void showPosition() override;
    bool blockTimerEnabled() const override;
    void setBlockTimerEnabled(bool on) override;
    void startWaitTimer(int32_t intervalMs) override;
    void stopWaitTimer() override;

    qm::PracticeState state_;
    std::unique_ptr<qm::MediaEngine> engine_;
    std::unique_ptr<qm::PositionBars> bars_;
    std::unique_ptr<qm::RepeatController> repeater_;
    std::vector<QObject*> focusReleasers_;  // the block buttons that give the focus back on mouse-up
    QStringList arguments_;
    bool shown_ = false;
    bool waitingForLength_ = false;
    bool closeRequested_ = false;
};

extern TfrmMain* frmMain;
