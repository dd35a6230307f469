#include "transcript/Cue.h"

namespace qm::transcript {

std::string message(const TranscriptError& error) {
    std::string text;
    if (error.line > 0) text = std::to_string(error.line) + " 行目: ";
    switch (error.kind) {
    case ErrorKind::BadHeader:
        return text + "ファイルの形式を示す見出しがありません";
    case ErrorKind::BadTime:
        return text + "時刻 '" + error.detail + "' が読めません";
    case ErrorKind::EndBeforeStart:
        return text + "終わりの時刻が始まりの時刻より前です";
    case ErrorKind::UnexpectedText:
        return text + "この形式にない行です: '" + error.detail + "'";
    case ErrorKind::NoCues:
        return text + "時刻の付いた行がありません";
    case ErrorKind::TooManyBlocks:
        return text + "ブロックが " + error.detail + " 個になり、1000 個を超えるため読み込めません";
    case ErrorKind::NoEndTime:
        return text + "最後の行の終わりの時刻がわかりません（メディアの長さが必要です）";
    case ErrorKind::PastMediaEnd:
        return text + "どの行もメディアの終わりより後に始まっています";
    case ErrorKind::NoTimeSpan:
        return text + "時刻の範囲が 0 のため、ブロックを作れません";
    }
    return text;
}

}  // namespace qm::transcript
