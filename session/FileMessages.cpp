#include "session/FileMessages.h"

#include "common/Utf8.h"

#include <QCoreApplication>

namespace qm::messages {

namespace {
QString tr(const char* text) { return QCoreApplication::translate("qm::PracticeSession", text); }
}  // namespace

QString cannotOpen(const files::FileError& e) {
    return tr("ファイル %1 は開けません").arg(utf8ToQString(e.path)) + QLatin1Char('\n') + utf8ToQString(e.reason);
}

QString cannotCreate(const files::FileError& e) {
    return tr("ファイル %1 を作成できません").arg(utf8ToQString(e.path)) + QLatin1Char('\n') + utf8ToQString(e.reason);
}

QString cannotRead(const QString& path, const QString& reason) {
    return tr("ファイル %1 は読み込めません\n%2").arg(path, reason);
}

}  // namespace qm::messages
