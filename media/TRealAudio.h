#pragma once

#include "PlaybackSession.h"
#include "PlayerControls.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QSlider;
class QToolButton;

// The streaming audio control: a widget over its own libmpv instance with the
// members DoPlay, DoPause, DoStop, GetPosition, SetPosition, GetLength,
// GetPlayState and Source (milliseconds as int32) and the PlayStateChange
// event. Setting Source loads it without starting it; DoPlay starts it. A
// ".ram" metafile is read here: its first entry (after blank lines and "#"
// comments; relative to the metafile's folder) is what plays, under the same
// scheme rules as any source. Its band holds a transport (play/pause, stop,
// position slider, status line) that drives the same members.
class TRealAudio : public QWidget, public qm::RealAudioControl {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 402, kDesignHeight = 91;

    // audioOutput: mpv's "ao" (tests pass "null"); empty takes $QM5_AO.
    explicit TRealAudio(QWidget* parent = nullptr, const QString& audioOutput = {});

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
    bool openFailed() const override { return session_.phase() == qm::PlaybackSession::Phase::Failed; }
    QString openError() const override { return openFailed() ? session_.lastError() : QString(); }
    void setControlVisible(bool visible) override { setVisible(visible); }

    // What a ".ram" metafile names: its first media entry, a relative one
    // taken relative to the metafile's folder; nullopt when it names none or
    // cannot be read. The text is UTF-8 when valid, else CP932.
    static std::optional<QString> readMetafile(const QString& metafilePath);
    // The same for a metafile's bytes; base is the metafile's own path or
    // address, which relative entries are taken against.
    static std::optional<QString> metafileEntry(const QByteArray& bytes, const QString& base);
    static bool isMetafile(const QString& source);
    // A metafile larger than this is no metafile.
    static constexpr qint64 kMaxMetafileBytes = 64 * 1024;

    QSize sizeHint() const override { return {kDesignWidth, kDesignHeight}; }

signals:
    void PlayStateChange(int lNewState);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void onPhase();
    void fetchMetafile(const QUrl& url);
    void playEntry(const QString& metafile, const std::optional<QString>& entry);
    void refreshTransport();
    QString statusText() const;

    qm::PlaybackSession session_;
    QString source_;
    QString metafileError_;
    int lastState_ = qm::ra::Stopped;

    QToolButton* btnPlay_ = nullptr;
    QToolButton* btnStop_ = nullptr;
    QSlider* posBar_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QTimer refresh_;
    QNetworkAccessManager* network_ = nullptr;  // made at the first remote metafile
    QPointer<QNetworkReply> fetch_;
};
