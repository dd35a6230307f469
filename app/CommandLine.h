#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// What the command line asks for: run (opening a file or web address when
// one is given), print a text and end, align a script with its recording
// without a window, or nothing it can do (a usage error).
struct CommandLine {
    enum class Action { Run, Print, Align, ExportAnki, Fail };
    Action action = Action::Run;
    QString output;    // for Print (to stdout) and Fail (to stderr)
    QString openPath;  // for Run; empty opens nothing
    // For Align, absolute paths; alignOutput empty: beside the media, never over a file.
    QString scriptPath, mediaPath, alignOutput;
    // For ExportAnki, absolute paths; ankiOutput empty: the block file's name with .apkg beside it.
    QString ankiBlockFile, ankiOutput;
};

// Reads the arguments after the program's name. --help (-h) and --version
// print and end; --align SCRIPT MEDIA [--output BLOCKFILE] aligns (a missing
// or an extra name there is a usage error); otherwise the first name is
// opened, a relative path made absolute against currentDir, a web address
// left as it is, and further names are ignored. Qt's own options (-platform
// X, -session X, ...) are passed over. An unknown option is a usage error
// (Fail, its text for stderr, exit status 2); after -- every argument is a
// name, so "-- -a.mp3" opens the file -a.mp3.
CommandLine readCommandLine(const QStringList& arguments, const QString& currentDir);

// Carries out an Align command line: reads the script, aligns it with the
// media through the alignment module, and writes the block file, printing
// progress to stderr and, last, the sentences placed and those not placed to
// stdout. Returns the exit status: 0 when the block file was written, 1 for a
// file that cannot be read or written, media that cannot be decoded, a
// script without sentences or a block file that is there already.
int runAlign(const CommandLine& command);

// Carries out an ExportAnki command line: reads the block file, its media and
// its answers file, and writes the Anki package through the export module,
// printing progress to stderr and, last, the notes written to stdout.
// Returns the exit status: 0 when the package was written, 1 for a block file
// or media that cannot be read, a lesson without notes or a package that
// cannot be written.
int runExportAnki(const CommandLine& command);

}  // namespace qm
