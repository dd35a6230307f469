#include "ui/UndoActions.h"

#include "core/ErrorPolicy.h"
#include "session/PracticeSession.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QWidget>

namespace qm {

namespace {
QString tr(const char* text) { return QCoreApplication::translate("qm::UndoActions", text); }
}  // namespace

std::pair<QAction*, QAction*> addUndoActions(QWidget* window, PracticeSession& session) {
    auto* undo = new QAction(tr("元に戻す"), window);
    undo->setShortcut(QKeySequence::Undo);
    auto* redo = new QAction(tr("やり直す"), window);
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* a : {undo, redo}) {
        // The window's keys, wherever its focus is; a text field takes its own Ctrl+Z first.
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
    }
    QObject::connect(undo, &QAction::triggered, window, guarded([&session] { session.undo(); }));
    QObject::connect(redo, &QAction::triggered, window, guarded([&session] { session.redo(); }));
    auto follow = [undo, redo, &session] {
        undo->setEnabled(session.canUndo());
        redo->setEnabled(session.canRedo());
        undo->setText(session.canUndo() ? tr("元に戻す: %1").arg(session.undoText()) : tr("元に戻す"));
        redo->setText(session.canRedo() ? tr("やり直す: %1").arg(session.redoText()) : tr("やり直す"));
    };
    QObject::connect(&session, &PracticeSession::historyChanged, window, follow);
    follow();
    return {undo, redo};
}

}  // namespace qm
