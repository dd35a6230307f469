#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;


// The memo window: one note line per block. In list mode a click on a line
// plays its block; in edit mode the editor takes the notes and F1 to F5 drive
// playback. The notes themselves live in ListBox1; the block list is frmMain's.
class TfrmMemo : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMemo(QWidget* parent = nullptr);

    // Edit mode is the editor's own visibility, shown window or not.
    bool inEditMode() const;
    QStringList lines() const;
    void setLines(const QStringList& lines);
    void selectLine(int index);  // -1, or an index past the end, leaves no selection
    // In edit mode with typing not yet ended, and the lines as the editor holds them.
    bool hasUnendedEdit() const;
    QStringList editedLines() const;

    void btnEditClick();
    void btnEndClick();
    void btnCancelClick();
    void btnNewClick();
    void btnFontClick();
    void ListBox1MouseUp(Qt::MouseButton button, const QPoint& pos);
    void Memo1KeyUp(int key);

    QListWidget* ListBox1;
    QPlainTextEdit* Memo1;
    QPushButton* btnEdit;
    QPushButton* btnNew;
    QPushButton* btnEnd;
    QPushButton* btnCancel;
    QPushButton* btnFont;
    QLabel* Label1;
    QLabel* Label2;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormResize();
    void FormShow();

    QStringList notes_;  // what ListBox1 shows, kept apart from the widget
};

extern TfrmMemo* frmMemo;
