#include "app/CommandLine.h"

#include "align/loader/AlignModule.h"
#include "anki/loader/AnkiModule.h"
#include "dictation/DictationLog.h"
#include "blockfile/BlockFile.h"
#include "common/InstallLayout.h"
#include "files/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <string>

namespace qm {

namespace {

const char* const kUsage =
    "Usage: qm5 [--] [FILE-OR-ADDRESS]\n"
    "       qm5 --align SCRIPT MEDIA [--output BLOCKFILE]\n"
    "       qm5 --export-anki BLOCKFILE [--output DECK.apkg]\n"
    "\n"
    "QM5, a dictation-practice player. Opens FILE-OR-ADDRESS (a media file such\n"
    "as mp3, wma, rm or ram, a block file .bsd, or a web address) and plays it.\n"
    "\n"
    "  -h, --help     show this text and end\n"
    "      --version  show the version and the web engine module it loads, and end\n"
    "      --         the arguments after it are names, not options\n"
    "      --align    cut MEDIA into one block per sentence of SCRIPT (a text file,\n"
    "                 one sentence a line or running text), each sentence its note,\n"
    "                 and write the block file, without a window: BLOCKFILE, or the\n"
    "                 media's name with .bsd beside it (never over a file that is\n"
    "                 there). English is placed by speech recognition, other\n"
    "                 languages by the pauses and the sentences' lengths.\n"
    "      --export-anki  write the lesson of BLOCKFILE as an Anki package, one\n"
    "                 note per block with a note line (the block's sound, its\n"
    "                 sentence, the last dictation answer), without a window:\n"
    "                 DECK.apkg, or the block file's name with .apkg beside it.\n"
    "                 Exporting again updates the same notes.\n";

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

QString absolute(const QString& path, const QString& currentDir) {
    return QFileInfo(path).isAbsolute() ? QDir::cleanPath(path) : QDir::cleanPath(QDir(currentDir).absoluteFilePath(path));
}

CommandLine usageError(const QString& why) {
    CommandLine c;
    c.action = CommandLine::Action::Fail;
    c.output = QStringLiteral("qm5: ") + why + QStringLiteral("\nTry 'qm5 --help' for more information.\n");
    return c;
}

// Qt's own options, which the application object takes out of the
// arguments (a restored session starts the program with -session ID): no
// file to open and no error. Those of the first list take a value.
bool isQtOption(const QString& a, bool& takesValue) {
    static const QStringList withValue = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                          "qwindowgeometry", "qwindowicon", "qwindowtitle", "session",
                                          "display", "geometry", "style", "stylesheet", "name", "title",
                                          "visual", "ncols", "cmap"};
    static const QStringList alone = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    // Qt reads -platform and --platform alike, and -style=fusion as -style fusion.
    QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals >= 0) name.truncate(equals);
    if (withValue.contains(name)) {
        takesValue = equals < 0;
        return true;
    }
    takesValue = false;
    return equals < 0 && alone.contains(name);
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments, const QString& currentDir) {
    // --help and --version answer whatever else is there, up to a --.
    for (const QString& a : arguments) {
        if (a == QLatin1String("--")) break;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            CommandLine c;
            c.action = CommandLine::Action::Print;
            c.output = QString::fromUtf8(kUsage);
            return c;
        }
        if (a == QLatin1String("--version")) {
            CommandLine c;
            c.action = CommandLine::Action::Print;
            c.output = versionText();
            return c;
        }
    }
    QStringList positional;
    QString output;
    bool align = false, anki = false, outputGiven = false, options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        bool takesValue = false;
        if (!options || a.size() < 2 || !a.startsWith(QLatin1Char('-'))) {
            positional << a;  // "-" alone is a name too
        } else if (a == QLatin1String("--")) {
            options = false;
        } else if (a == QLatin1String("--align")) {
            align = true;
        } else if (a == QLatin1String("--export-anki")) {
            anki = true;
        } else if (a == QLatin1String("--output")) {
            if (i + 1 >= arguments.size()) return usageError(QStringLiteral("--output needs a file name"));
            output = arguments[++i];
            outputGiven = true;
        } else if (a.startsWith(QLatin1String("--output="))) {
            output = a.mid(9);
            outputGiven = true;
        } else if (isQtOption(a, takesValue)) {
            if (takesValue) ++i;
        } else {
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
        }
    }
    CommandLine c;
    if (align && anki) return usageError(QStringLiteral("--align and --export-anki are two commands: give one"));
    if (anki) {
        if (positional.size() != 1) return usageError(QStringLiteral("--export-anki needs one block file"));
        if (positional[0].isEmpty() || (outputGiven && output.isEmpty()))
            return usageError(QStringLiteral("an empty file name"));
        c.action = CommandLine::Action::ExportAnki;
        c.ankiBlockFile = absolute(positional[0], currentDir);
        if (outputGiven) c.ankiOutput = absolute(output, currentDir);
        return c;
    }
    if (!align) {
        if (outputGiven) return usageError(QStringLiteral("--output goes with --align or --export-anki"));
        if (positional.isEmpty() || positional.first().isEmpty()) return c;
        const QString& first = positional.first();
        c.openPath = hasScheme(first) || QFileInfo(first).isAbsolute() ? first : absolute(first, currentDir);
        return c;
    }
    if (positional.size() != 2) return usageError(QStringLiteral("--align needs a script and a media file"));
    if (positional[0].isEmpty() || positional[1].isEmpty() || (outputGiven && output.isEmpty()))
        return usageError(QStringLiteral("an empty file name"));
    c.action = CommandLine::Action::Align;
    c.scriptPath = absolute(positional[0], currentDir);
    c.mediaPath = absolute(positional[1], currentDir);
    if (outputGiven) c.alignOutput = absolute(output, currentDir);
    return c;
}

namespace {

// A script is text; anything near this size is not one.
constexpr size_t kMaxScriptBytes = 16 << 20;

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

int fail(const QString& why) {
    std::fprintf(stderr, "qm5: %s\n", why.toLocal8Bit().constData());
    return 1;
}

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// lesson.mp3 -> lesson.bsd, beside it.
QString blockFileBeside(const QString& media) {
    const QFileInfo info(media);
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".bsd"));
}

QString linesText(const std::vector<int>& lines) {
    QStringList parts;
    for (int line : lines) parts << QString::number(line);
    return parts.join(QStringLiteral(", "));
}

}  // namespace

int runAlign(const CommandLine& command) {
    const auto script = files::readWholeFile(native(command.scriptPath), kMaxScriptBytes);
    if (script.error) return fail(QStringLiteral("cannot read the script %1: %2").arg(command.scriptPath, fromUtf8(script.error->reason)));
    if (const auto e = files::checkRegularFile(native(command.mediaPath)))
        return fail(QStringLiteral("cannot read the media %1: %2").arg(command.mediaPath, fromUtf8(e->reason)));
    const bool beside = command.alignOutput.isEmpty();
    const QString output = beside ? blockFileBeside(command.mediaPath) : command.alignOutput;
    if (beside && QFileInfo::exists(output))
        return fail(QStringLiteral("%1 is there already and is left as it is (name another with --output)").arg(output));

    std::string error;
    const align::ModuleApi* api = align::alignModule(error);
    if (api == nullptr) return fail(fromUtf8(error));
    const std::vector<align::Sentence> sentences = api->splitScript(script.bytes);
    if (sentences.empty()) return fail(QStringLiteral("the script %1 holds no sentences").arg(command.scriptPath));

    const QString mediaName = QFileInfo(command.mediaPath).fileName();
    std::fprintf(stderr, "aligning %d sentences with %s\n", static_cast<int>(sentences.size()),
                 mediaName.toLocal8Bit().constData());
    int shown = -1;
    const align::Progress progress = [&](int percent) {
        if (percent / 10 == shown / 10 && percent != 100) return;
        shown = percent;
        std::fprintf(stderr, "%3d%%\n", percent);
    };
    const align::Result result = api->alignScript(native(command.mediaPath), sentences, align::Options{}, progress, nullptr);
    if (result.error) return fail(QStringLiteral("%1: %2").arg(command.mediaPath, fromUtf8(*result.error)));

    blockfile::BlockData data;
    data.mediaPath = command.mediaPath.toStdString();  // as the program names it when it saves
    data.mediaLength = result.separators.back();
    data.separators = result.separators;
    data.memoLines = result.notes;
    if (const auto e = files::writeWholeFile(native(output), blockfile::serialize(data)))
        return fail(QStringLiteral("cannot write %1: %2").arg(output, fromUtf8(e->reason)));

    QString summary = QStringLiteral("%1: %2 of %3 sentences placed in %4 blocks")
                          .arg(output)
                          .arg(result.placedSentences)
                          .arg(sentences.size())
                          .arg(result.notes.size());
    if (!result.unplacedLines.empty())
        summary += QStringLiteral("; not placed: line %1").arg(linesText(result.unplacedLines));
    if (result.approximate) summary += QStringLiteral("; approximate (by pauses and lengths, not by recognition)");
    std::fprintf(stdout, "%s\n", summary.toLocal8Bit().constData());
    return 0;
}

namespace {

// A block file names its media as the program that saved it did: an absolute
// path, one relative to the block file, or a Windows path; when that is not
// there, the media's file name beside the block file.
QString mediaOfBlockFile(const QString& blockFile, const std::string& named) {
    const QDir folder = QFileInfo(blockFile).absoluteDir();
    const QString path = QString::fromStdString(named);
    const QString asNamed = QFileInfo(path).isAbsolute() ? path : folder.absoluteFilePath(path);
    if (QFileInfo(asNamed).isFile()) return asNamed;
    const QString fileName = path.section(QRegularExpression(QStringLiteral("[/\\\\]")), -1);
    const QString beside = folder.absoluteFilePath(fileName);
    return QFileInfo(beside).isFile() ? beside : asNamed;
}

}  // namespace

int runExportAnki(const CommandLine& command) {
    const QString& blockFile = command.ankiBlockFile;
    const auto read = files::readWholeFile(native(blockFile), 16 << 20);
    if (read.error) return fail(QStringLiteral("cannot read the block file %1: %2").arg(blockFile, fromUtf8(read.error->reason)));
    const blockfile::ParseResult parsed = blockfile::parse(read.bytes);
    if (parsed.status != blockfile::ParseStatus::Ok) return fail(QStringLiteral("%1 is no block file the program can read").arg(blockFile));
    const blockfile::BlockData& data = parsed.data;
    const QString media = mediaOfBlockFile(blockFile, data.mediaPath);
    if (const auto e = files::checkRegularFile(native(media)))
        return fail(QStringLiteral("cannot read the media %1: %2").arg(media, fromUtf8(e->reason)));

    anki::ExportInput input;
    input.deckName = QFileInfo(blockFile).completeBaseName().toStdString();
    input.mediaPath = native(media);
    input.separators = data.separators;
    input.notes = data.memoLines;
    input.notes.resize(data.separators.size() - 1);  // lines past the last block belong to none
    input.lessonKey = blockFile.toStdString();
    // The learner's last answers, when there are any; a damaged answers file is said and passed over.
    const std::string answersPath = dictation::answersPathFor(native(blockFile));
    if (QFileInfo::exists(QFile::decodeName(answersPath.c_str()))) {
        const auto answers = files::readWholeFile(answersPath, 16 << 20);
        const auto log = answers.error ? dictation::ParseResult{} : dictation::parse(answers.bytes);
        if (answers.error || !log.ok()) {
            std::fprintf(stderr, "qm5: the answers in %s are left out: %s\n", answersPath.c_str(),
                         answers.error ? answers.error->reason.c_str() : dictation::message(*log.error).c_str());
        } else {
            input.lastAnswers.resize(input.notes.size());
            for (const auto& a : log.log.answers())
                if (static_cast<std::size_t>(a.block) < input.lastAnswers.size())
                    input.lastAnswers[static_cast<std::size_t>(a.block)] = a.latestAnswer;
        }
    }
    const QFileInfo info(blockFile);
    const QString output = command.ankiOutput.isEmpty()
                               ? info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".apkg"))
                               : command.ankiOutput;

    std::string error;
    const anki::ModuleApi* api = anki::ankiModule(error);
    if (api == nullptr) return fail(fromUtf8(error));
    std::fprintf(stderr, "exporting %s\n", info.fileName().toLocal8Bit().constData());
    int shown = -1;
    const auto progress = [&](int percent) {
        if (percent / 10 == shown / 10 && percent != 100) return;
        shown = percent;
        std::fprintf(stderr, "%3d%%\n", percent);
    };
    const anki::ExportResult result = api->exportPackage(input, native(output), progress, nullptr);
    if (result.error) return fail(QStringLiteral("%1: %2").arg(output, fromUtf8(*result.error)));
    std::fprintf(stdout, "%s: %d notes in the deck %s\n", output.toLocal8Bit().constData(), result.notesWritten,
                 input.deckName.c_str());
    return 0;
}

}  // namespace qm
