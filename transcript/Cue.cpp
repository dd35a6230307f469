#include "transcript/Cue.h"

namespace qm::transcript {

namespace {
constexpr char kContext[] = "qm::transcript";
}

std::string message(const TranscriptError& error, const Translate& translate) {
    const auto shown = [&](const char* text) { return translated(translate, kContext, text); };
    std::string text;
    if (error.line > 0) text = withArg(shown(QT_TRANSLATE_NOOP("qm::transcript", "%1 行目: ")), std::to_string(error.line));
    switch (error.kind) {
    case ErrorKind::BadHeader:
        return text + shown(QT_TRANSLATE_NOOP("qm::transcript", "ファイルの形式を示す見出しがありません"));
    case ErrorKind::BadTime:
        return text + withArg(shown(QT_TRANSLATE_NOOP("qm::transcript", "時刻 '%1' が読めません")), error.detail);
    case ErrorKind::EndBeforeStart:
        return text + shown(QT_TRANSLATE_NOOP("qm::transcript", "終わりの時刻が始まりの時刻より前です"));
    case ErrorKind::UnexpectedText:
        return text + withArg(shown(QT_TRANSLATE_NOOP("qm::transcript", "この形式にない行です: '%1'")), error.detail);
    case ErrorKind::NoCues:
        return text + shown(QT_TRANSLATE_NOOP("qm::transcript", "時刻の付いた行がありません"));
    case ErrorKind::TooManyBlocks:
        return text + withArg(shown(QT_TRANSLATE_NOOP("qm::transcript",
                                                    "ブロックが %1 個になり、1000 個を超えるため読み込めません")),
                              error.detail);
    case ErrorKind::NoEndTime:
        return text + shown(QT_TRANSLATE_NOOP("qm::transcript",
                                           "最後の行の終わりの時刻がわかりません（メディアの長さが必要です）"));
    case ErrorKind::PastMediaEnd:
        return text + shown(QT_TRANSLATE_NOOP("qm::transcript", "どの行もメディアの終わりより後に始まっています"));
    case ErrorKind::NoTimeSpan:
        return text + shown(QT_TRANSLATE_NOOP("qm::transcript", "時刻の範囲が 0 のため、ブロックを作れません"));
    }
    return text;
}

}  // namespace qm::transcript
