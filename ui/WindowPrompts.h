#pragma once

#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "session/SessionPrompts.h"

#include <QPointer>
#include <QWidget>

namespace qm {

// The session's questions, asked through the program's dialogs over the
// main window.
class WindowPrompts : public SessionPrompts {
public:
    void setParentWindow(QWidget* parent) { parent_ = parent; }

    void message(const QString& text) override { qmApp()->dialogs().message(parent_, text); }
    Answer confirm(const QString& text) override { return qmApp()->dialogs().confirm(parent_, text); }
    bool warningYesNo(const QString& text) override { return qmApp()->dialogs().warningYesNo(parent_, text); }
    std::optional<QString> saveFile(const FileDialogRequest& request) override {
        return qmApp()->dialogs().saveFile(parent_, request);
    }
    std::optional<QString> openFile(const FileDialogRequest& request) override {
        return qmApp()->dialogs().openFile(parent_, request);
    }

private:
    QPointer<QWidget> parent_;
};

}  // namespace qm
