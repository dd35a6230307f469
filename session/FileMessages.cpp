#include "session/FileMessages.h"

#include "common/Utf8.h"

#include <QCoreApplication>

namespace qm::messages {

namespace {
// The texts, under one name for the translation.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(qm::messages)
};
}  // namespace

QString cannotOpen(const files::FileError& e) {
    return Texts::tr("ファイル %1 は開けません").arg(utf8ToQString(e.path)) + QLatin1Char('\n') + utf8ToQString(e.reason);
}

QString cannotCreate(const files::FileError& e) {
    return Texts::tr("ファイル %1 を作成できません").arg(utf8ToQString(e.path)) + QLatin1Char('\n') + utf8ToQString(e.reason);
}

QString cannotRead(const QString& path, const QString& reason) {
    return Texts::tr("ファイル %1 は読み込めません\n%2").arg(path, reason);
}

Translate qtTranslate() {
    return [](const char* context, const char* text) { return QCoreApplication::translate(context, text).toStdString(); };
}

}  // namespace qm::messages
