#pragma once

#include <utility>

class QAction;
class QWidget;

namespace qm {

class PracticeSession;

// Undo and redo of the lesson's changes, as two actions of window with the
// usual keys (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y), so that they work from any
// window of the program. Each says what it would undo or redo and is enabled
// only when there is something to do; both call the session.
std::pair<QAction*, QAction*> addUndoActions(QWidget* window, PracticeSession& session);

}  // namespace qm
