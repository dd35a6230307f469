#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The block file: a media path, its length, the block separators and one note
// line per block. Plain C++: text in and out is UTF-8, the bytes on disk are
// encoded by TextCodec.
namespace qm::blockfile {

inline constexpr std::string_view kHeader = "QM4 Block Separate Data";

struct BlockData {
    std::string mediaPath;              // line 1
    int32_t mediaLength = 0;            // line 2
    std::vector<int32_t> separators;    // blockSep[0 .. count]
    std::vector<std::string> memoLines;
};

// The file's bytes for the given data (encoded as TextCodec says).
std::string serialize(const BlockData& data);

enum class ParseStatus {
    Ok,
    WrongHeader,    // line 0 is not the header: ignored silently
    NotInteger,     // a number line is no integer; offendingText holds it
    BadCount,       // block count outside 1 .. 1000
    NotAscending,   // blockSep[0] is not 0 or the separators descend
};

struct ParseResult {
    ParseStatus status = ParseStatus::Ok;
    std::string offendingText;  // for NotInteger
    BlockData data;             // complete only when status is Ok
};

// Line n (from 0) of the file's text, every line break taken as one, at most
// 4096 bytes; past the end the empty text. Used to follow a block file to its media.
std::string line(std::string_view fileBytes, int n);

// Reads and checks the whole file; changes nothing anywhere. The first faulty
// line decides the status. Number lines are an optional "-" and digits fitting
// int32, nothing else (no blanks); a missing line reads "" and is NotInteger.
// The memo lines are the text after the "*" that starts line 5+B; when that
// line does not start with "*", the text after the file's first "*", wherever
// it stands; a file without "*" gives its whole text, header and numbers included. The
// memo is never cut at any size. Throws std::runtime_error only when CP932
// conversion is unavailable.
ParseResult parse(std::string_view fileBytes);

// The separators of a file made for another length, fitted to a media of
// mediaLength: the first separator at or past it becomes mediaLength and the
// list ends there. A list that ends short of mediaLength is kept as it is, and
// so is any list when mediaLength <= 0 (no length known).
std::vector<int32_t> fitToLength(const std::vector<int32_t>& separators, int32_t mediaLength);

// Joins every block of no length (two equal separators, as older files may
// hold) with the block after it, or the last one with the block before it,
// so that each note stays with the sound it was written for: the notes of the
// two are joined with one blank (an empty note adds nothing). Note lines past
// the last block stay as they are. A list of no length at all is left alone.
void removeEmptyBlocks(BlockData& data);

// Two notes of blocks made one: joined with one blank, an empty one adding nothing.
std::string joinNotes(const std::string& first, const std::string& second);

}  // namespace qm::blockfile
