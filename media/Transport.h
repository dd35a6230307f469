#pragma once

#include <QAbstractSlider>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace qm::transport {

// "m:ss", or "h:mm:ss" from an hour on.
QString clock(int64_t ms);

// No child of a control may take the keyboard focus: the main window's keys
// must keep working while the learner uses a transport.
void noFocusAnywhere(QWidget* root);

// Calls seekMs with the slider's new value when the user lets go of the handle
// or clicks or steps along the groove (not while dragging).
void onUserSeek(QAbstractSlider* slider, std::function<void(int)> seekMs);

}  // namespace qm::transport
