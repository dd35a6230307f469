#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

// The members the program uses of its two playback controls. The widgets in
// this folder implement them over libmpv; tests put stand-ins in their place.
// A failing call throws MediaError carrying the engine's own text.
namespace qm {

class MediaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Play states of the media player control.
namespace wmp {
inline constexpr int Undefined = 0, Stopped = 1, Paused = 2, Playing = 3, ScanForward = 4,
                     ScanReverse = 5, Buffering = 6, Waiting = 7, MediaEnded = 8,
                     Transitioning = 9, Ready = 10, Reconnecting = 11;
}
// Play states of the streaming audio control.
namespace ra {
inline constexpr int Stopped = 0, Contacting = 1, Buffering = 2, Playing = 3, Paused = 4,
                     Seeking = 5;
}

class WmpControls {
public:
    virtual ~WmpControls() = default;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;  // position back to 0
    virtual double currentPosition() = 0;  // seconds
    virtual void setCurrentPosition(double seconds) = 0;
};

class WmpSettings {
public:
    virtual ~WmpSettings() = default;
    virtual double rate() = 0;
    virtual void setRate(double rate) = 0;
    virtual int volume() = 0;  // 0 .. 100
    virtual void setVolume(int volume) = 0;
};

class WmpMedia {
public:
    virtual ~WmpMedia() = default;
    virtual double duration() = 0;  // seconds; 0 while unknown
};

// The media player control: starts by itself when URL is set, plays once.
class WmpPlayer {
public:
    virtual ~WmpPlayer() = default;
    virtual WmpControls& controls() = 0;
    virtual WmpSettings& settings() = 0;
    virtual WmpMedia* currentMedia() = 0;  // null when nothing is loaded
    virtual QString URL() const = 0;
    virtual void setURL(const QString& url) = 0;
    virtual int playState() = 0;
    virtual void close() = 0;
    // Why the last stop happened: end of the media, or asked for.
    virtual bool stoppedAtEnd() const = 0;
    // The source given last could not be opened (missing, no media, refused).
    virtual bool openFailed() const { return false; }
    // Why, in the engine's own words; empty when nothing failed.
    virtual QString openError() const { return {}; }
    virtual void setControlVisible(bool visible) = 0;
    // The next position read asks the engine itself rather than going on by
    // the clock from an earlier read.
    virtual void readExactNext() {}
};

// The streaming audio control: positions and lengths in milliseconds.
class RealAudioControl {
public:
    virtual ~RealAudioControl() = default;
    virtual void DoPlay() = 0;
    virtual void DoPause() = 0;
    virtual void DoStop() = 0;
    virtual int32_t GetPosition() = 0;
    virtual void SetPosition(int32_t ms) = 0;
    virtual int32_t GetLength() = 0;  // 0 while unknown
    virtual int32_t GetPlayState() = 0;
    virtual QString Source() const = 0;
    virtual void setSource(const QString& source) = 0;
    virtual bool stoppedAtEnd() const = 0;
    virtual bool openFailed() const { return false; }
    virtual QString openError() const { return {}; }
    virtual void setControlVisible(bool visible) = 0;
    virtual void readExactNext() {}  // as WmpPlayer's
};

}  // namespace qm
