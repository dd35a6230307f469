#include "Settings.h"

#include "PathParts.h"
#include "SettingsFile.h"
#include "TextCodec.h"
#include "Utf8.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace qm {

Settings::Settings(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)), historySize_(settings::kMinHistory) {}

QString Settings::defaultPath() {
    const QString name = QStringLiteral("QM4.ini");
    const QString beside = QCoreApplication::applicationDirPath();
    if (QFileInfo(beside).isWritable()) return QDir(beside).filePath(name);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(name);
}

QString Settings::languageFilePath() const { return QFileInfo(path_).dir().filePath(QStringLiteral("qm5.conf")); }

void Settings::load() {
    // "language=en" or "language=ja"; anything else leaves Japanese.
    const auto conf = files::readWholeFile(languageFilePath().toStdString(), 4096);
    if (!conf.error) {
        for (const std::string& line : text::splitLines(conf.bytes)) {
            if (line == "language=en") language_ = Language::English;
            if (line == "language=ja") language_ = Language::Japanese;
        }
    }
    languageRead_ = language_;
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
    for (const QString& p : history_) data.history.push_back(p.toStdString());
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (auto e = files::writeWholeFile(path_.toStdString(), settings::serialize(data))) return e;
    // The language file only once a language was chosen.
    if (language_ == languageRead_ && !QFileInfo::exists(languageFilePath())) return std::nullopt;
    const std::string conf = language_ == Language::English ? "language=en\n" : "language=ja\n";
    return files::writeWholeFile(languageFilePath().toStdString(), conf);
}

void Settings::addHistory(const QString& path) {
    for (qsizetype i = 0; i < history_.size(); ++i) {
        if (history_[i].compare(path, Qt::CaseInsensitive) == 0) {
            history_.removeAt(i);
            break;
        }
    }
    history_.insert(0, path);
    emit historyChanged();
}

void Settings::setHistorySize(int size) {
    historySize_ = std::clamp(size, settings::kMinHistory, settings::kMaxHistory);
}

void Settings::noteSavedFile(const QString& path) {
    const std::string folder = settingsFolderPart(path.toStdString());
    if (!folder.empty()) saveFolder_ = utf8ToQString(folder);
}

}  // namespace qm
