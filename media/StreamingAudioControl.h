#pragma once

#include "media/PlaybackSession.h"
#include "media/PlayerControls.h"

#include <QByteArray>
#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace qm {

// Fetches a metafile from a web server, at most maxBytes, within timeoutMs;
// calls done once with the bytes and the address they came from (after
// redirects), or with an error text. The returned handle cancels the fetch
// when destroyed: done is never called after that.
class MetafileFetch {
public:
    virtual ~MetafileFetch() = default;
};
struct FetchedMetafile {
    QByteArray bytes;
    QString finalAddress;
    QString error;  // empty on success
};
using MetafileFetcher = std::function<std::unique_ptr<MetafileFetch>(
    const QUrl& url, qint64 maxBytes, int timeoutMs, std::function<void(const FetchedMetafile&)> done)>;

// The streaming audio control without its widget: its own libmpv instance
// with the members DoPlay, DoPause, DoStop, GetPosition, SetPosition,
// GetLength, GetPlayState and Source (milliseconds as int32) and the
// PlayStateChange event. Setting Source loads it without starting it; DoPlay
// starts it. A ".ram" metafile is read here: its first entry (after blank
// lines and "#" comments; relative to the metafile's folder or address) is
// what plays, under the same scheme rules as any source; a metafile on a web
// server is fetched through the fetcher given (none: such metafiles fail),
// and its entry must be an http, https, rtsp or mms address. A source is a
// metafile when its path (an address's without query) ends in ".ram".
class StreamingAudioControl : public QObject, public RealAudioControl {
    Q_OBJECT
public:
    // A metafile larger than this is no metafile.
    static constexpr qint64 kMaxMetafileBytes = 64 * 1024;
    // The whole open waits at most this long for the media's length.
    static constexpr int kFetchTimeoutMs = 5000;

    explicit StreamingAudioControl(QObject* parent = nullptr, const QString& audioOutput = {},
                                   MetafileFetcher fetcher = {});
    ~StreamingAudioControl() override;

    void DoPlay() override { session_.play(); }
    void DoPause() override { session_.pause(); }
    void DoStop() override { session_.stop(); }
    int32_t GetPosition() override;
    void SetPosition(int32_t ms) override { session_.seek(ms / 1000.0); }
    int32_t GetLength() override;
    int32_t GetPlayState() override;
    QString Source() const override { return source_; }
    void setSource(const QString& source) override;
    bool stoppedAtEnd() const override { return session_.stoppedAtEnd(); }
    bool openFailed() const override { return session_.phase() == PlaybackSession::Phase::Failed; }
    QString openError() const override { return openFailed() ? session_.lastError() : QString(); }
    void setControlVisible(bool visible) override { emit visibilityRequested(visible); }
    void readExactNext() override { session_.readMpvNext(); }

    // What a ".ram" metafile names: its first media entry, a relative one
    // taken relative to the metafile's folder; nullopt when it names none or
    // cannot be read. The text is UTF-8 when valid, else CP932.
    static std::optional<QString> readMetafile(const QString& metafilePath);
    // The same for a metafile's bytes; base is the metafile's own path or
    // address, which relative entries are taken against.
    static std::optional<QString> metafileEntry(const QByteArray& bytes, const QString& base);
    static bool isMetafile(const QString& source);

    PlaybackSession& playback() { return session_; }

signals:
    void PlayStateChange(int lNewState);
    void visibilityRequested(bool visible);

private:
    void onPhase();
    // Where a metafile was read: a local one may name local files, a fetched one only addresses on the network.
    enum class MetafileOrigin { Local, Web };
    void playEntry(const QString& metafile, const std::optional<QString>& entry, MetafileOrigin origin);

    PlaybackSession session_;
    MetafileFetcher fetcher_;
    std::unique_ptr<MetafileFetch> fetch_;
    QString source_;
    int lastState_ = ra::Stopped;
};

}  // namespace qm
