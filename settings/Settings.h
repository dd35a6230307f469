#pragma once

#include "files/WholeFile.h"
#include "settings/LessonPlaces.h"

#include <QMap>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// The settings and the history of one run: read from the settings file before
// any window exists, written back when the program ends. Holds the history
// (most recent first), its size, the block-file save folder and the two
// engine extension lists (these are not stored: they start at their defaults
// every run). The info window shows and edits it; the practice session reads
// it. QtCore only.
class Settings : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDefaultWmpExtensions = ".wma.mp3.";
    static constexpr const char* kDefaultRpExtensions = ".ram.rm.";

    explicit Settings(QString path, QObject* parent = nullptr);

    // "QM4.ini" beside the executable when the program runs from a folder of
    // its own that it may write to, otherwise (installed) in the user's
    // configuration folder.
    static QString defaultPath();
    QString path() const { return path_; }

    // Reads the file; a missing or damaged one never stops the start: what it
    // still holds is kept, defaults stand for the rest.
    void load();
    // Writes the file through the checked writer; the error, if any, is the
    // caller's to show (the old file stays as it was). Another QM5 may have
    // written the file since it was read: its history is kept behind this
    // run's opens, so that the last to end does not wipe out the other's.
    std::optional<files::FileError> save() const;

    const QStringList& history() const { return history_; }
    // Puts path at the head; an entry equal but for letter case moves there
    // and takes the new spelling.
    void addHistory(const QString& path);
    void clearHistoryForTesting() {
        history_.clear();
        openedThisRun_.clear();
    }
    int historySize() const { return historySize_; }
    void setHistorySize(int size);  // brought into 10 .. 100

    // The folder the save dialog starts in: line 0 of the file, or the folder
    // of the block file saved last in this run.
    QString saveFolder() const { return saveFolder_; }
    // A block file was saved at path: its folder is the next save folder. A
    // path without a folder (a bare name) changes nothing.
    void noteSavedFile(const QString& path);

    // This program's own settings, kept in "qm5.conf" beside the settings file
    // ("key=value" lines), so that QM4.ini keeps its lines for the old program.
    QString ownSettingsPath() const;
    // The language of the windows, taking effect at the next start.
    enum class Language { Japanese, English };
    Language language() const { return own_.language; }
    void setLanguage(Language language) { own_.language = language; }
    // Finding pauses: the shortest pause (ms, 100 .. 5000), marks that snap to
    // a pause near them, the loudness drawn behind the block bar.
    static constexpr int kDefaultMinPauseMs = 300;
    int minPauseMs() const { return own_.minPauseMs; }
    void setMinPauseMs(int ms);
    bool snapMarks() const { return own_.snapMarks; }
    void setSnapMarks(bool on) { own_.snapMarks = on; }
    bool showWaveform() const { return own_.showWaveform; }
    void setShowWaveform(bool on);

    // The folder a file dialog was last left in (qm5.conf), for the first dialog of a run.
    QString lastFolder() const { return own_.lastFolder; }
    void setLastFolder(const QString& folder) { own_.lastFolder = folder; }

    // Where each lesson was left (places.tsv beside this file).
    QString placesPath() const;
    std::optional<settings::LessonPlace> lessonPlace(const QString& lesson) const;
    void rememberLessonPlace(const QString& lesson, const settings::LessonPlace& place);

    // Where a window was and how big, by its name; empty before it was ever kept.
    QRect windowGeometry(const QString& window) const { return own_.windows.value(window); }
    void setWindowGeometry(const QString& window, const QRect& geometry);

    QString wmpExtensions() const { return wmpExtensions_; }
    QString rpExtensions() const { return rpExtensions_; }
    void setWmpExtensions(const QString& list) { wmpExtensions_ = list; }
    void setRpExtensions(const QString& list) { rpExtensions_ = list; }

signals:
    void historyChanged();
    void waveformShownChanged(bool shown);

private:
    // This run's opens, then the history of the file as it stands now.
    QStringList mergedHistory() const;

    QString path_;
    QStringList history_;
    QStringList openedThisRun_;  // most recent first
    int historySize_;
    QString saveFolder_;
    QString wmpExtensions_ = QString::fromLatin1(kDefaultWmpExtensions);
    QString rpExtensions_ = QString::fromLatin1(kDefaultRpExtensions);
    struct Own {
        Language language = Language::Japanese;
        int minPauseMs = kDefaultMinPauseMs;
        bool snapMarks = true;
        bool showWaveform = true;
        QMap<QString, QRect> windows;
        QString lastFolder;
        bool operator==(const Own&) const = default;
    };
    Own own_;
    Own ownRead_;
    settings::LessonPlaces places_;
    bool placesChanged_ = false;
};

}  // namespace qm
