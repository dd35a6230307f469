#pragma once

#include "session/PracticeSession.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace qm {
class DictationPanel;
class NoteListView;
}

// The memo window: one note line per block. In list mode a click on a line
// plays its block; in edit mode the editor takes the notes and F1 to F5 drive
// playback. It shows the session's notes and gives the session an ended edit;
// the notes and the block list are the session's.
class TfrmMemo : public QWidget, public qm::NoteEditor {
    Q_OBJECT
public:
    explicit TfrmMemo(qm::PracticeSession& session, QWidget* parent = nullptr);
    ~TfrmMemo() override;

    // Edit mode is the editor's own visibility, shown window or not.
    bool inEditMode() const;
    QStringList lines() const { return session_.notes(); }
    void selectLine(int index);  // -1, or an index past the end, leaves no selection

    // NoteEditor
    bool editing() const override { return inEditMode(); }
    std::optional<QStringList> unendedEdit() const override;

    void btnEditClick();
    void btnEndClick();
    void btnCancelClick();
    void btnNewClick();
    void btnFontClick();
    // The dictation mode: the notes hidden, answers checked against them, the
    // block repeating; from list mode only, and back to it.
    void btnDictationClick();
    bool inDictationMode() const;
    void ListBox1MouseUp(Qt::MouseButton button, const QPoint& pos);
    void Memo1KeyUp(int key);

    qm::NoteListView* ListBox1;
    QPlainTextEdit* Memo1;
    QPushButton* btnEdit;
    QPushButton* btnNew;
    QPushButton* btnEnd;
    QPushButton* btnCancel;
    QPushButton* btnFont;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* btnDictation;
    qm::DictationPanel* Dictation;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormResize();
    void FormShow();
    void showNotes();
    void leaveEditMode();

    qm::PracticeSession& session_;
};

extern TfrmMemo* frmMemo;
