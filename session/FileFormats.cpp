#include "session/FileFormats.h"

#include "core/PathParts.h"

#include <QCoreApplication>
#include <QUrl>

namespace qm::formats {

namespace {

// The texts, under one name for the translation.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(qm::formats)
};

bool hasScheme(const QString& s) { return s.contains(QStringLiteral("://")); }

struct Entry {
    const char* extension;
    Kind kind;
};

// Every extension that is not media, with what it is.
constexpr Entry kTable[] = {
    {".bsd", Kind::BlockFile},
    {".srt", Kind::Transcript},
    {".vtt", Kind::Transcript},
    {".lrc", Kind::Transcript},
    {".txt", Kind::Transcript},
};

// The types of the save dialog, in its order; the label of the last .txt is
// the one for plain notes.
struct SaveEntry {
    const char* label;
    const char* pattern;
    std::optional<transcript::Format> format;
};
// The dialogs add each type's patterns to its name.
const SaveEntry kSave[] = {
    {QT_TRANSLATE_NOOP("qm::formats", "ブロックファイル"), "*.bsd", std::nullopt},
    {QT_TRANSLATE_NOOP("qm::formats", "SubRip 字幕"), "*.srt", transcript::Format::SubRip},
    {QT_TRANSLATE_NOOP("qm::formats", "WebVTT 字幕"), "*.vtt", transcript::Format::WebVtt},
    {QT_TRANSLATE_NOOP("qm::formats", "LRC 歌詞"), "*.lrc", transcript::Format::Lrc},
    {QT_TRANSLATE_NOOP("qm::formats", "Audacity ラベル"), "*.txt", transcript::Format::AudacityLabels},
    {QT_TRANSLATE_NOOP("qm::formats", "メモのテキスト"), "*.txt", transcript::Format::PlainText},
};

// Audio the engine plays besides what the lists name.
constexpr const char* kMoreAudio[] = {"ogg", "oga", "opus", "wav", "flac", "m4a", "aac"};

}  // namespace

QString extensionOf(const QString& pathOrAddress) {
    QString name = pathOrAddress;
    if (hasScheme(pathOrAddress)) {
        const QUrl url(pathOrAddress);
        if (url.isValid()) name = url.path();
    }
    return QString::fromStdString(extensionPart(name.toStdString())).toLower();
}

Kind kindOf(const QString& pathOrAddress) {
    const QString ext = extensionOf(pathOrAddress);
    for (const Entry& e : kTable)
        if (ext == QLatin1String(e.extension)) return e.kind;
    return Kind::Media;
}

bool playsOnStreamingControl(const QString& pathOrAddress, const QString& wmpList, const QString& rpList) {
    const QString ext = extensionOf(pathOrAddress);
    if (ext.isEmpty() || wmpList.toLower().contains(ext)) return false;
    return rpList.toLower().contains(ext);
}

std::optional<transcript::Format> transcriptFormatOf(const QString& path, std::string_view bytes) {
    if (kindOf(path) != Kind::Transcript) return std::nullopt;
    return transcript::formatOf(("x" + extensionOf(path)).toStdString(), bytes);
}

QStringList transcriptExtensions() {
    QStringList out;
    for (const Entry& e : kTable)
        if (e.kind == Kind::Transcript) out << QLatin1String(e.extension);
    return out;
}

std::vector<SaveType> saveTypes() {
    std::vector<SaveType> out;
    for (const SaveEntry& e : kSave) out.push_back({Texts::tr(e.label), QLatin1String(e.pattern), e.format});
    return out;
}

QString saveFilter() {
    QStringList parts;
    for (const SaveType& t : saveTypes()) parts << t.label << t.pattern;
    return parts.join(QLatin1Char('|'));
}

std::optional<transcript::Format> saveFormatOf(const QString& path, int chosenType) {
    const QString ext = extensionOf(path);
    const auto types = saveTypes();
    if (ext == QLatin1String(".txt")) {
        const bool plain = chosenType >= 0 && static_cast<std::size_t>(chosenType) < types.size() &&
                           types[static_cast<std::size_t>(chosenType)].transcript == transcript::Format::PlainText;
        return plain ? transcript::Format::PlainText : transcript::Format::AudacityLabels;
    }
    for (const SaveType& t : types)
        if (t.transcript && t.pattern.mid(1) == ext) return t.transcript;
    return std::nullopt;  // a block file
}

QString loadFilter() {
    return Texts::tr("ブロックファイル") + QStringLiteral("|*.bsd|") + Texts::tr("字幕・台本") +
           QStringLiteral("|*.srt;*.vtt;*.lrc;*.txt|") + Texts::tr("台本（録音に合わせる）") + QStringLiteral("|*.txt|") +
           Texts::tr("すべてのファイル") + QStringLiteral("|*");
}

QString openFilter(const QString& wmpList, const QString& rpList) {
    // An extension counts once the dot after it closes it, as the lists are written (".wma.mp3.").
    QStringList audio;
    QString current;
    for (const QChar c : wmpList + rpList) {
        if (c != QLatin1Char('.')) {
            current += c;
            continue;
        }
        if (!current.isEmpty() && !audio.contains(QStringLiteral("*.") + current)) audio << QStringLiteral("*.") + current;
        current.clear();
    }
    for (const char* ext : kMoreAudio)
        if (!audio.contains(QStringLiteral("*.") + QLatin1String(ext))) audio << QStringLiteral("*.") + QLatin1String(ext);
    const QString audioPatterns = audio.join(QLatin1Char(';'));
    // "*" rather than "*.*": here a file name need not hold a dot.
    return Texts::tr("音声とブロックファイル") + QLatin1Char('|') + audioPatterns + QStringLiteral(";*.bsd|") + Texts::tr("音声") +
           QLatin1Char('|') + audioPatterns + QLatin1Char('|') + Texts::tr("ブロックファイル") + QStringLiteral("|*.bsd|") +
           Texts::tr("すべてのファイル") + QStringLiteral("|*");
}

}  // namespace qm::formats
