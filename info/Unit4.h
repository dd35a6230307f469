#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace qm {
class PracticeSession;
class Settings;
}  // namespace qm

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;

// The info window: the history of opened and saved files, the two engine
// extension lists, the history size and the about text. It shows and edits
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

    // The key list's tab, brought forward (F1).
    void showKeys();
    static QString keyList();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showHistory();

    qm::PracticeSession& session_;
    qm::Settings& settings_;
};

extern TfrmInfo* frmInfo;
