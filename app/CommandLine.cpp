#include "app/CommandLine.h"

#include "common/InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace qm {

namespace {

const char* const kUsage =
    "Usage: qm5 [FILE-OR-ADDRESS]\n"
    "\n"
    "QM5, a dictation-practice player. Opens FILE-OR-ADDRESS (a media file such\n"
    "as mp3, wma, rm or ram, a block file .bsd, or a web address) and plays it.\n"
    "\n"
    "  -h, --help     show this text and end\n"
    "      --version  show the version and the web engine module it loads, and end\n";

// The version, and the web engine module this program would load, so that an
// installation can be checked without a window.
QString versionText() {
    const QString module = install::browserModulePath();
    const QString state = QFileInfo::exists(module) ? QString() : QStringLiteral("missing: ");
    return QStringLiteral("QM5 " QM5_VERSION "\nweb engine module: ") + state + module + QLatin1Char('\n');
}

bool hasScheme(const QString& s) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]*://"));
    return re.match(s).hasMatch();
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments, const QString& currentDir) {
    CommandLine c;
    for (const QString& a : arguments) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            c.action = CommandLine::Action::Print;
            c.output = QString::fromUtf8(kUsage);
            return c;
        }
        if (a == QLatin1String("--version")) {
            c.action = CommandLine::Action::Print;
            c.output = versionText();
            return c;
        }
    }
    if (arguments.isEmpty() || arguments.first().isEmpty()) return c;
    const QString first = arguments.first();
    c.openPath = hasScheme(first) || QFileInfo(first).isAbsolute()
                     ? first
                     : QDir::cleanPath(QDir(currentDir).absoluteFilePath(first));
    return c;
}

}  // namespace qm
