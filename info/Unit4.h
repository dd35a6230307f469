#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;

// The info window: the history of opened and saved files, the two engine
// extension lists, the history size and the about text. Reads the settings file
// when created and writes it when destroyed.
class TfrmInfo : public QWidget {
    Q_OBJECT
public:
    // settingsPath empty: "QM4.ini" beside the executable when that folder is
    // writable, otherwise in the user's configuration folder.
    explicit TfrmInfo(QWidget* parent = nullptr, const QString& settingsPath = QString());
    ~TfrmInfo() override;

    QString wmpExtensions() const;  // the text of edtWMP
    QString rpExtensions() const;   // the text of edtRP

    void AddHistory(const QString& path);
    QStringList historyPaths() const { return memHistory; }

    void FormCreate();   // reads the settings file
    // Writes it, once; a write that fails keeps the old file and says so.
    void FormDestroy();
    void lstHistoryMouseUp(Qt::MouseButton button, const QPoint& pos);
    void lstHistoryMouseMove(const QPoint& pos);

    static QString defaultSettingsPath();

    QTabWidget* PageControl1;
    QLabel* pnlFileName;
    QListWidget* lstHistory;
    QLineEdit* edtWMP;
    QLineEdit* edtRP;
    QSpinBox* spnHisNum;
    QPlainTextEdit* aboutText;
    QStringList memHistory;  // full paths, most recent first, beside lstHistory

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString settingsPath_;
    QString readFolder_;  // line 0 as read at the start
    bool written_ = false;
};

extern TfrmInfo* frmInfo;
