#pragma once

#include "core/TranslatableText.h"
#include "files/WholeFile.h"

#include <QString>

// The user's messages for a file that cannot be read or written: its path
// and, on the next line, the reason. Translated with the session's texts.
namespace qm::messages {

QString cannotOpen(const files::FileError& e);
QString cannotCreate(const files::FileError& e);
// "ファイル %1 は読み込めません" and the reason on the next line.
QString cannotRead(const QString& path, const QString& reason);

// Translates the marked texts of the plain layers (a transcript's or an
// answers file's problem) with the program's translation.
Translate qtTranslate();

}  // namespace qm::messages
