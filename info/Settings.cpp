#include "Settings.h"

#include "PathParts.h"
#include "SettingsFile.h"
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

void Settings::load() {
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
    return files::writeWholeFile(path_.toStdString(), settings::serialize(data));
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
