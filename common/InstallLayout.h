#pragma once

#include <QString>

// Where the running program lies and what follows from it: where its web
// engine module is and where its settings belong. QtCore only.
//
// Two layouts are told apart by one fact: a folder that holds the web engine
// module beside the executable is a program folder of its own (the build
// tree, or a copy of it), and keeps its settings there when it may write
// there. Anything else is an installation in the freedesktop layout
// (<prefix>/bin, <prefix>/lib/.../qm5), whose settings go to the user's
// configuration folder even when the program's folder happens to be writable.
namespace qm::install {

enum class Layout { OwnFolder, Installed };

// The folder of the running executable, links resolved. Works before the
// application object exists (--version runs without one); empty if the
// system cannot tell.
QString executableFolder();

// The layout of a program whose executable lies in executableFolder.
Layout layoutOf(const QString& executableFolder);
bool runsInstalled();

// A module of ours (fileName such as "qm5_loudness.so") as a program in
// executableFolder loads it: beside it in its own folder, else under the
// installed library folder relative to it (<exe>/../lib/qm5/ or as
// configured). The path is given whether or not the file is there.
QString modulePath(const QString& fileName, const QString& executableFolder);
QString modulePath(const QString& fileName);
// The web engine module's.
QString browserModulePath(const QString& executableFolder);
QString browserModulePath();

// The folder for the settings file: the program's own folder when it is a
// folder of its own and writable, else userConfigFolder.
QString settingsFolder(const QString& executableFolder, const QString& userConfigFolder);
// The same with the user's configuration folder of this application
// (QStandardPaths::AppConfigLocation): call it after the application's name
// is set, or the folder is not the program's.
QString settingsFolder();

}  // namespace qm::install
