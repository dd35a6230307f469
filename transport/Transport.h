#pragma once

#include <QAbstractSlider>
#include <QElapsedTimer>
#include <QTimer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace qm {
class PlaybackSession;
}

namespace qm::transport {

// What the user does on a transport, handed to whoever drives the practice
// (the session): a transport shows its control and changes nothing itself.
struct Actions {
    std::function<void()> playPause;
    std::function<void()> stop;
    std::function<void(int ms)> seek;
    std::function<void(int volume)> setVolume;  // 0 .. 100; the media player's only
};

// "m:ss", or "h:mm:ss" from an hour on.
QString clock(int64_t ms);

// Tab reaches a transport's buttons and sliders, a click never gives them the
// focus: the main window's keys keep working while the learner uses one.
void tabFocusOnly(QWidget* root);

// Calls seekMs with the slider's new value when the user lets go of the handle
// or clicks or steps along the groove (not while dragging).
void onUserSeek(QAbstractSlider* slider, std::function<void(int)> seekMs);

// Calls refresh every intervalMs while started. While something else reads
// the position often (the block timer does, twenty times a second), a refresh
// that is due rides on one of those reads, so the window is repainted once
// for both and the refresh wakes nobody; its own timer serves when nobody
// reads. Each refresh restarts the count.
class Pacer : public QObject {
public:
    Pacer(QObject* parent, PlaybackSession& playback, int intervalMs, std::function<void()> refresh);
    void start();
    void stop();

private:
    void fire();

    std::function<void()> refresh_;
    QTimer own_;
    QElapsedTimer since_;
    int intervalMs_;
    bool queued_ = false;  // a refresh on a read is on its way
};

}  // namespace qm::transport
