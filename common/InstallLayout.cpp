#include "common/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qm::install {

namespace {

QString moduleFileName() { return QStringLiteral(QM5_BROWSER_MODULE_FILE); }

}  // namespace

QString executableFolder() {
    if (QCoreApplication::instance() != nullptr) return QCoreApplication::applicationDirPath();
    // Without the application object Qt does not know its path; Linux does.
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return exe.isEmpty() ? QString() : QFileInfo(exe).absolutePath();
}

Layout layoutOf(const QString& executableFolder) {
    if (executableFolder.isEmpty()) return Layout::Installed;
    return QFileInfo::exists(QDir(executableFolder).filePath(moduleFileName())) ? Layout::OwnFolder
                                                                               : Layout::Installed;
}

bool runsInstalled() { return layoutOf(executableFolder()) == Layout::Installed; }

QString modulePath(const QString& fileName, const QString& executableFolder) {
    const QDir folder(executableFolder);
    if (layoutOf(executableFolder) == Layout::OwnFolder) return folder.filePath(fileName);
    return QDir::cleanPath(folder.filePath(QStringLiteral(QM5_MODULE_DIR_FROM_BINDIR "/") + fileName));
}

QString modulePath(const QString& fileName) { return modulePath(fileName, executableFolder()); }

QString browserModulePath(const QString& executableFolder) { return modulePath(moduleFileName(), executableFolder); }

QString browserModulePath() { return browserModulePath(executableFolder()); }

QString settingsFolder(const QString& executableFolder, const QString& userConfigFolder) {
    if (layoutOf(executableFolder) == Layout::OwnFolder && QFileInfo(executableFolder).isWritable()) {
        return executableFolder;
    }
    return userConfigFolder;
}

QString settingsFolder() {
    return settingsFolder(executableFolder(),
                          QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

}  // namespace qm::install
