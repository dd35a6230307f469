#pragma once

#include "bars/PositionBars.h"
#include "session/PracticeSession.h"

#include <QString>
#include <QWidget>

#include <QPoint>

#include <memory>
#include <utility>
#include <vector>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QProgressDialog;
class QScrollBar;
class QTimer;
class QToolButton;
class TWindowsMediaPlayer;
class TRealAudio;

namespace qm {
class Dialogs;
class Settings;
}

// What the file dialogs of the main window remember between uses.
struct TFileDialogState {
    QString initialDir;
    QString fileName;  // the last name chosen
};

// The main window: the bars, the block controls, the repeat options, the rate
// selector and the bands of the two playback controls. It shows the practice
// session and forwards the user's actions to it (keys, clicks, drops, the
// open and load dialogs); the session owns the practice state, the media and
// the notes. The other windows are only shown from here, never reached into.
class TfrmMain : public QWidget {
    Q_OBJECT
public:
    TfrmMain(qm::PracticeSession& session, qm::Settings& settings, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The windows the Memo, browser and Info buttons bring forward; the memo
    // window also takes the keys while its editor is open.
    void setCompanions(QWidget* memo, QWidget* browser, QWidget* info);

    qm::PracticeSession& session() { return session_; }
    const qm::PracticeState& state() const { return session_.state(); }
    qm::PositionBars& bars() { return *bars_; }

    // The session's operations, as the window's own handlers reach them.
    bool OpenFile(const QString& path) { return session_.OpenFile(path); }
    bool openInProgress() const { return session_.openInProgress(); }
    void OpenDroppedFile(const QString& path);
    bool CanReleaseMedia() { return session_.CanReleaseMedia(); }
    bool CommitData() { return session_.CommitData(); }
    void KeepUnsavedWork() { session_.KeepUnsavedWork(); }
    bool SaveBlockData() { return session_.SaveBlockData(); }
    void ApplyBlockData(std::string_view fileBytes) { session_.ApplyBlockData(fileBytes); }
    void AddHistory(const QString& path) { session_.AddHistory(path); }
    void SelectBlock(int32_t n) { session_.SelectBlock(n); }
    void EnableBlockControls(bool enabled) { session_.EnableBlockControls(enabled); }
    void ReleaseFocus();
    void ShowBlockNo();

    void btnMarkClick() { session_.mark(); }
    void btnNextClick() { session_.nextBlock(); }
    void btnBackClick() { session_.previousBlock(); }
    void btnRepClick() { session_.blockAgain(); }
    void btnPlayClick() { session_.playPause(); }
    void btnLDelClick() { session_.deleteLeft(); }
    void btnRDelClick() { session_.deleteRight(); }
    void btnClearClick() { session_.clearBlocks(); }
    void FormKeyPress(QChar key);
    void btnSaveClick() { session_.SaveBlockData(); }
    void btnLoadClick();
    void btnOpenClick();
    void btnMemoClick();
    void btnIEClick();
    void btnInfoClick();
    void cmbRateChange();
    // Every control Tab reaches, in reading order.
    std::vector<QWidget*> tabOrder() const;
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void Image2MouseDown(Qt::MouseButton button, int x, int y);
    void Image2MouseMove(int x, int y);
    void Image2MouseUp(Qt::MouseButton button, int x, int y);
    void Image2MouseWheel(int x, QPoint angleDelta, Qt::KeyboardModifiers shift);
    void cutAtPausesClick();
    void RepeatingClick();

    // Runs once, at the first show: opens the first command-line argument.
    void setCommandLine(const QStringList& arguments) { arguments_ = arguments; }

    // Controls, named as the window's design names them.
    QFrame* Panel1;
    qm::TBarImage* Image1;
    QLabel* Panel2;
    qm::TBarImage* Image2;
    QScrollBar* blockBarScroll;  // under the block bar while it is zoomed: the part it shows
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
    QLabel* lblAnalysis;   // the analysis of the open media's loudness, while it runs
    QProgressDialog* progressDialog = nullptr;  // while the session works on a worker thread
    QMenu* blockBarMenu;   // the block bar's right click
    QAction* actCutAtPauses;
    QAction* actExportAnki;  // the lesson as an Anki package
    QAction* actUndo;      // Ctrl+Z, in the block bar's menu too
    QAction* actRedo;      // Ctrl+Shift+Z and Ctrl+Y
    QComboBox* cmbRate;
    QLabel* Label1;
    TWindowsMediaPlayer* WindowsMediaPlayer1;
    TRealAudio* RealAudio1;
    QTimer* Timer1;  // the session's block timer
    QTimer* Timer2;  // the session's auto-pause wait
    TFileDialogState OpenDialog1;
    TFileDialogState OpenDialog2;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

signals:
    // F1: the list of every key, in the info window.
    void keysRequested();

private:
    void FormCreate();
    void addShortcuts();
    void FormShow();
    void FormResize();
    void layoutStrips();
    // The controls under the bars at their designed places: a taller window moves them down.
    std::vector<std::pair<QWidget*, QPoint>> underTheBars_;
    void connectSession();
    void onBlockControlsEnabled(bool enabled);
    void showWaveform();
    void showBlockBarView();  // the scroll bar follows the block bar's view
    int32_t separatorAt(int x) const;  // the inner separator drawn within 2 pixels of x, or 0
    bool memoTakesTheKeys() const;
    void bringForward(QWidget* w);
    QString openFilter() const;
    QString dialogFolder(const TFileDialogState& dialog) const;
    qm::Dialogs& dialogs();

    qm::PracticeSession& session_;
    qm::Settings& settings_;
    std::unique_ptr<qm::PositionBars> bars_;
    QWidget* memo_ = nullptr;
    QWidget* browser_ = nullptr;
    QWidget* info_ = nullptr;
    std::vector<QObject*> focusReleasers_;  // the block buttons that give the focus back on mouse-up
    QStringList arguments_;
    bool shown_ = false;
    int32_t dragged_ = 0;     // the inner separator pressed on the block bar, 0 for none
    int dragFromX_ = 0;
    bool dragging_ = false;
};

extern TfrmMain* frmMain;
