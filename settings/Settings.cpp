#include "settings/Settings.h"

#include "common/InstallLayout.h"
#include "core/PathParts.h"
#include "settings/SettingsFile.h"
#include "text/TextCodec.h"
#include "common/Utf8.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace qm {

Settings::Settings(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)), historySize_(settings::kMinHistory) {}

QString Settings::defaultPath() {
    // Beside a program in a folder of its own; an installed one keeps it in
    // the user's configuration folder.
    return QDir(install::settingsFolder()).filePath(QStringLiteral("QM4.ini"));
}

QString Settings::ownSettingsPath() const { return QFileInfo(path_).dir().filePath(QStringLiteral("qm5.conf")); }

void Settings::setMinPauseMs(int ms) { own_.minPauseMs = std::clamp(ms, 100, 5000); }

void Settings::setShowWaveform(bool on) {
    if (on == own_.showWaveform) return;
    own_.showWaveform = on;
    emit waveformShownChanged(on);
}

void Settings::load() {
    // Unknown keys and unreadable values leave the defaults.
    const auto conf = files::readWholeFile(ownSettingsPath().toStdString(), 64 * 1024);
    if (!conf.error) {
        for (const std::string& line : text::splitLines(conf.bytes)) {
            const auto eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            if (key == "language" && (value == "en" || value == "ja"))
                own_.language = value == "en" ? Language::English : Language::Japanese;
            if (key == "minPauseMs") {
                bool ok = false;
                const int ms = QString::fromStdString(value).toInt(&ok);
                if (ok) setMinPauseMs(ms);
            }
            if (key == "snapMarks" && (value == "0" || value == "1")) own_.snapMarks = value == "1";
            if (key == "waveform" && (value == "0" || value == "1")) own_.showWaveform = value == "1";
            if (key == "lastFolder") own_.lastFolder = utf8ToQString(value);
            // "window.NAME=x,y,width,height"
            if (key.rfind("window.", 0) == 0) {
                const QStringList n = QString::fromStdString(value).split(QLatin1Char(','));
                bool ok = n.size() == 4;
                int v[4] = {};
                for (int i = 0; ok && i < 4; ++i) v[i] = n[i].toInt(&ok);
                if (ok && v[2] > 0 && v[3] > 0)
                    own_.windows.insert(QString::fromStdString(key.substr(7)), QRect(v[0], v[1], v[2], v[3]));
            }
        }
    }
    ownRead_ = own_;
    if (const auto places = files::readWholeFile(placesPath().toStdString(), 1024 * 1024); !places.error) {
        places_ = settings::LessonPlaces::parse(places.bytes);
    }
    const auto read = files::readWholeFile(path_.toStdString(), settings::kMaxFileBytes);
    if (read.error) return;
    const settings::SettingsData data = settings::parse(read.bytes);
    saveFolder_ = utf8ToQString(data.saveFolder);
    historySize_ = data.historySize;
    history_.clear();
    for (const std::string& entry : data.history) history_ << utf8ToQString(entry);
    emit historyChanged();
}

std::optional<files::FileError> Settings::save() const {
    settings::SettingsData data;
    data.saveFolder = saveFolder_.toStdString();
    data.historySize = historySize_;
    for (const QString& p : mergedHistory()) data.history.push_back(p.toStdString());
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (auto e = files::writeWholeFile(path_.toStdString(), settings::serialize(data))) return e;
    if (placesChanged_) {
        if (auto e = files::writeWholeFile(placesPath().toStdString(), places_.serialize())) return e;
    }
    // The program's own file only once something in it was chosen.
    if (own_ == ownRead_ && !QFileInfo::exists(ownSettingsPath())) return std::nullopt;
    std::string conf = own_.language == Language::English ? "language=en\n" : "language=ja\n";
    conf += "minPauseMs=" + std::to_string(own_.minPauseMs) + "\n";
    conf += std::string("snapMarks=") + (own_.snapMarks ? "1" : "0") + "\n";
    conf += std::string("waveform=") + (own_.showWaveform ? "1" : "0") + "\n";
    if (!own_.lastFolder.isEmpty() && !own_.lastFolder.contains(QLatin1Char('\n'))) {
        conf += "lastFolder=" + own_.lastFolder.toStdString() + "\n";
    }
    for (auto it = own_.windows.cbegin(); it != own_.windows.cend(); ++it) {
        const QRect& r = it.value();
        conf += "window." + it.key().toStdString() + "=" + std::to_string(r.x()) + "," + std::to_string(r.y()) + "," +
                std::to_string(r.width()) + "," + std::to_string(r.height()) + "\n";
    }
    return files::writeWholeFile(ownSettingsPath().toStdString(), conf);
}

QString Settings::placesPath() const { return QFileInfo(path_).dir().filePath(QStringLiteral("places.tsv")); }

std::optional<settings::LessonPlace> Settings::lessonPlace(const QString& lesson) const {
    return places_.find(lesson.toStdString());
}

void Settings::rememberLessonPlace(const QString& lesson, const settings::LessonPlace& place) {
    if (places_.find(lesson.toStdString()) == place) return;
    places_.remember(lesson.toStdString(), place);
    placesChanged_ = true;
}

void Settings::setWindowGeometry(const QString& window, const QRect& geometry) {
    if (geometry.isValid()) own_.windows.insert(window, geometry);
}

namespace {

// Puts path at the head of list, an entry equal but for letter case leaving its old place.
void putFirst(QStringList& list, const QString& path) {
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].compare(path, Qt::CaseInsensitive) == 0) {
            list.removeAt(i);
            break;
        }
    }
    list.insert(0, path);
}

bool listed(const QStringList& list, const QString& path) {
    return std::any_of(list.begin(), list.end(),
                       [&](const QString& e) { return e.compare(path, Qt::CaseInsensitive) == 0; });
}

}  // namespace

void Settings::addHistory(const QString& path) {
    putFirst(history_, path);
    putFirst(openedThisRun_, path);
    emit historyChanged();
}

QStringList Settings::mergedHistory() const {
    const auto read = files::readWholeFile(path_.toStdString(), settings::kMaxFileBytes);
    if (read.error) return history_;
    QStringList merged = openedThisRun_;
    for (const std::string& entry : settings::parse(read.bytes).history) {
        const QString e = utf8ToQString(entry);
        if (!listed(merged, e)) merged << e;
    }
    return merged;
}

void Settings::setHistorySize(int size) {
    historySize_ = std::clamp(size, settings::kMinHistory, settings::kMaxHistory);
}

void Settings::noteSavedFile(const QString& path) {
    const std::string folder = settingsFolderPart(path.toStdString());
    if (!folder.empty()) saveFolder_ = utf8ToQString(folder);
}

}  // namespace qm
