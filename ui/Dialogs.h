#pragma once

#include "session/SessionPrompts.h"

#include <QFont>
#include <QString>

#include <optional>

class QWidget;

namespace qm {

// Every message box and every file or font dialog of the program goes through
// this interface, so that tests can answer them. Box captions are the
// application title.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A plain box with OK.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // Question icon, Yes No Cancel; Yes is the default, Escape answers Cancel.
    virtual Answer confirm(QWidget* parent, const QString& text) = 0;
    // Warning icon, Yes and No; true for Yes.
    virtual bool warningYesNo(QWidget* parent, const QString& text) = 0;
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QFont> font(QWidget* parent, const QFont& initial) = 0;
};

// The real boxes and dialogs.
class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& text) override;
    Answer confirm(QWidget* parent, const QString& text) override;
    bool warningYesNo(QWidget* parent, const QString& text) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial) override;
};

// Turns "desc|pattern|desc|pattern" into Qt's "desc (pattern);;desc (pattern)".
QString qtFilter(const QString& filter);

}  // namespace qm
