#include "ui/UndoActions.h"

#include "core/ErrorPolicy.h"
#include "session/PracticeSession.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QWidget>

namespace qm {

namespace {
// The actions' texts, under one name for the translation.
struct UndoTexts {
    Q_DECLARE_TR_FUNCTIONS(qm::UndoActions)
};
}  // namespace

std::pair<QAction*, QAction*> addUndoActions(QWidget* window, PracticeSession& session) {
    auto* undo = new QAction(UndoTexts::tr("元に戻す"), window);
    undo->setShortcut(QKeySequence::Undo);
    auto* redo = new QAction(UndoTexts::tr("やり直す"), window);
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
        undo->setText(session.canUndo() ? UndoTexts::tr("元に戻す: %1").arg(session.undoText()) : UndoTexts::tr("元に戻す"));
        redo->setText(session.canRedo() ? UndoTexts::tr("やり直す: %1").arg(session.redoText()) : UndoTexts::tr("やり直す"));
    };
    QObject::connect(&session, &PracticeSession::historyChanged, window, follow);
    follow();
    return {undo, redo};
}

}  // namespace qm
