#pragma once

#include "ui/Dialogs.h"
#include "core/ErrorPolicy.h"

#include <QApplication>
#include <QString>
#include <QTranslator>

#include <exception>
#include <memory>

namespace qm {

// Hands every call on to the dialogs in use and knows whether one is showing.
class CountingDialogs : public Dialogs {
public:
    explicit CountingDialogs(std::unique_ptr<Dialogs>& target) : target_(target) {}
    bool showing() const { return depth_ > 0; }

    void message(QWidget* parent, const QString& text) override;
    Answer confirm(QWidget* parent, const QString& text) override;
    bool warningYesNo(QWidget* parent, const QString& text) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial) override;

private:
    template <typename F>
    auto counted(F f);
    std::unique_ptr<Dialogs>& target_;
    int depth_ = 0;
};

// The application object: its title (the task-bar text and the caption of
// message boxes), the dialogs in use, and the general error handler that shows
// an error of any handler and lets the program go on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    QString title() const { return title_; }
    // Qt's own texts (standard buttons, file dialogs) in Japanese, as the
    // program's are; false when Debian's translation is not installed.
    bool installQtTranslation();
    // The program's texts in English (and Qt's own as they come), or in
    // Japanese as they are written, with Qt's own in Japanese too.
    void installLanguage(bool english);
    void setTitle(const QString& title);

    Dialogs& dialogs() { return counting_; }
    // Tests put their own answers in place; the application keeps ownership.
    void setDialogs(std::unique_ptr<Dialogs> dialogs);
    // A box or dialog is open: its nested event loop runs, and nothing that
    // would ask another question may start from it.
    bool dialogShowing() const { return counting_.showing(); }

    // The general error handler: one plain message box with the error's text.
    void showError(const std::exception& e);
    void showError(const QString& text);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QString title_ = QStringLiteral("QM5");
    std::unique_ptr<Dialogs> dialogs_;
    CountingDialogs counting_{dialogs_};
    QTranslator qtTranslator_;
    QTranslator appTranslator_;
};

TApplication* qmApp();

}  // namespace qm
