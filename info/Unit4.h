#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace qm {
class PracticeSession;
class ProgressChart;
class Settings;
}  // namespace qm

template <typename T>
class QFutureWatcher;

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;

// The info window: the history of opened and saved files (each with its
// blocks due for review today), the two engine extension lists, the history
// size, the keys, the about text and the open lesson's progress. It shows and edits
// the run's settings (qm::Settings, read before the windows and written when
// the program ends) and reopens history entries through the session.
class TfrmInfo : public QWidget {
    Q_OBJECT
public:
    TfrmInfo(qm::PracticeSession& session, qm::Settings& settings, QWidget* parent = nullptr);

    QString wmpExtensions() const;  // the text of edtWMP
    QString rpExtensions() const;   // the text of edtRP

    void AddHistory(const QString& path);
    QStringList historyPaths() const;

    void FormCreate();   // shows the settings as read
    void lstHistoryMouseUp(Qt::MouseButton button, const QPoint& pos);
    void lstHistoryMouseMove(const QPoint& pos);

    QTabWidget* PageControl1;
    QLabel* pnlFileName;
    QListWidget* lstHistory;
    QLineEdit* edtWMP;
    QLineEdit* edtRP;
    QSpinBox* spnHisNum;
    QComboBox* cmbLanguage;
    QSpinBox* spnMinPause;   // the shortest pause, ms
    QCheckBox* chkSnap;      // marks snap to a pause near them
    QCheckBox* chkWaveform;  // the loudness behind the block bar
    QPlainTextEdit* aboutText;
    QPlainTextEdit* keysText;  // every key of the program
    QLabel* lblProgress;              // the open lesson's progress in one line
    qm::ProgressChart* chtProgress;   // its scores and blocks mastered by day

    // The history entry's blocks due for review, as last counted (on a worker
    // thread, after each change of the history or the answers, and at show);
    // -1: no answers file, or not counted yet.
    static constexpr int kDueRole = Qt::UserRole + 1;
    int dueOf(int row) const;

    // The key list's tab, brought forward (F1).
    void showKeys();
    static QString keyList();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showHistory();
    void countDue();
    void showProgress();

    QFutureWatcher<QList<int>>* dueWatcher_;
    bool countAgain_ = false;  // the history or the answers changed while counting

    qm::PracticeSession& session_;
    qm::Settings& settings_;
};

extern TfrmInfo* frmInfo;
