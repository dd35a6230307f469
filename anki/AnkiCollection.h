#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The collection inside a package: an SQLite database in the layout Anki 2.1
// writes for its legacy collection.anki2 (tables col, notes, cards, revlog,
// graves; the note type, the deck and its options as JSON in the col row).
namespace qm::anki {

inline constexpr const char* kModelName = "QM5 dictation";

struct CollectionNote {
    int64_t id = 0;
    std::string guid;
    int64_t cardId = 0;
    std::string sound, sentence, answer;  // the fields, HTML as Anki shows them
    std::string sortText;                 // the sentence as plain text, for sorting and duplicates
    int64_t due = 0;                      // the new card's position
};

struct CollectionDeck {
    int64_t modelId = 0;
    int64_t deckId = 0;
    std::string deckName;
    int64_t nowMs = 0;  // the modification time written everywhere
};

// Creates the database at path (which must not exist) with the note type
// "QM5 dictation", the deck and the notes, one new card each. Returns why it failed.
std::optional<std::string> writeCollection(const std::string& path, const CollectionDeck& deck,
                                           const std::vector<CollectionNote>& notes);

// The SHA-1 of text (FFmpeg's): the checksum below and the export's stable ids.
std::array<uint8_t, 20> sha1(const std::string& text);

// The first 32 bits of the SHA-1 of text, as Anki's duplicate check keeps them.
int64_t fieldChecksum(const std::string& text);

}  // namespace qm::anki
