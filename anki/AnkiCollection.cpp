#include "anki/AnkiCollection.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <string_view>

namespace qm::anki {

namespace {

struct DatabaseCloser {
    void operator()(sqlite3* p) const { sqlite3_close(p); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* p) const { sqlite3_finalize(p); }
};
using DatabasePtr = std::unique_ptr<sqlite3, DatabaseCloser>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The tables and indexes as Anki 2.1 creates a legacy collection.
constexpr const char* kSchema = R"(
create table col (
    id integer primary key, crt integer not null, mod integer not null, scm integer not null,
    ver integer not null, dty integer not null, usn integer not null, ls integer not null,
    conf text not null, models text not null, decks text not null, dconf text not null, tags text not null);
create table notes (
    id integer primary key, guid text not null, mid integer not null, mod integer not null,
    usn integer not null, tags text not null, flds text not null, sfld integer not null,
    csum integer not null, flags integer not null, data text not null);
create table cards (
    id integer primary key, nid integer not null, did integer not null, ord integer not null,
    mod integer not null, usn integer not null, type integer not null, queue integer not null,
    due integer not null, ivl integer not null, factor integer not null, reps integer not null,
    lapses integer not null, left integer not null, odue integer not null, odid integer not null,
    flags integer not null, data text not null);
create table revlog (
    id integer primary key, cid integer not null, usn integer not null, ease integer not null,
    ivl integer not null, lastIvl integer not null, factor integer not null, time integer not null,
    type integer not null);
create table graves (usn integer not null, oid integer not null, type integer not null);
create index ix_notes_usn on notes (usn);
create index ix_cards_usn on cards (usn);
create index ix_revlog_usn on revlog (usn);
create index ix_cards_nid on cards (nid);
create index ix_cards_sched on cards (did, queue, due);
create index ix_revlog_cid on revlog (cid);
create index ix_notes_csum on notes (csum);
)";

// The front plays the clip; the back adds the sentence and, when the learner
// wrote one, the marked answer.
constexpr const char* kFront = "{{Sound}}";
constexpr const char* kBack =
    "{{FrontSide}}\n\n<hr id=answer>\n\n<div class=sentence>{{Sentence}}</div>"
    "{{#Answer}}\n<div class=answer>{{Answer}}</div>{{/Answer}}";
constexpr const char* kCss =
    ".card { font-family: sans-serif; font-size: 22px; text-align: center; color: black; background-color: white; }\n"
    ".answer { margin-top: 1em; font-size: 18px; }\n";

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string field(const char* name, int ord) {
    return std::string(R"({"name":)") + jsonString(name) + R"(,"ord":)" + std::to_string(ord) +
           R"(,"sticky":false,"rtl":false,"font":"Arial","size":20,"media":[]})";
}

std::string modelsJson(const CollectionDeck& d) {
    const std::string id = std::to_string(d.modelId);
    return "{\"" + id + "\":{\"id\":" + id + ",\"name\":" + jsonString(kModelName) +
           ",\"type\":0,\"mod\":" + std::to_string(d.nowMs / 1000) + ",\"usn\":-1,\"sortf\":1,\"did\":" +
           std::to_string(d.deckId) + ",\"tmpls\":[{\"name\":\"Dictation\",\"ord\":0,\"qfmt\":" + jsonString(kFront) +
           ",\"afmt\":" + jsonString(kBack) + ",\"did\":null,\"bqfmt\":\"\",\"bafmt\":\"\"}],\"flds\":[" +
           field("Sound", 0) + "," + field("Sentence", 1) + "," + field("Answer", 2) + "],\"css\":" +
           jsonString(kCss) +
           ",\"latexPre\":" +
           jsonString("\\documentclass[12pt]{article}\n\\special{papersize=3in,5in}\n\\usepackage[utf8]{inputenc}\n"
                      "\\usepackage{amssymb,amsmath}\n\\pagestyle{empty}\n\\setlength{\\parindent}{0in}\n"
                      "\\begin{document}\n") +
           ",\"latexPost\":" + jsonString("\\end{document}") +
           ",\"latexsvg\":false,\"req\":[[0,\"any\",[0]]],\"tags\":[],\"vers\":[]}}";
}

std::string deckJson(int64_t id, std::string_view name, int64_t modSeconds) {
    const std::string sid = std::to_string(id);
    return "\"" + sid + "\":{\"id\":" + sid + ",\"name\":" + jsonString(name) + ",\"mod\":" +
           std::to_string(modSeconds) +
           ",\"usn\":-1,\"desc\":\"\",\"dyn\":0,\"conf\":1,\"collapsed\":false,\"browserCollapsed\":false,"
           "\"newToday\":[0,0],\"revToday\":[0,0],\"lrnToday\":[0,0],\"timeToday\":[0,0],"
           "\"extendNew\":0,\"extendRev\":0}";
}

// Anki expects its default deck (id 1) beside the lesson's.
std::string decksJson(const CollectionDeck& d) {
    return "{" + deckJson(1, "Default", 0) + "," + deckJson(d.deckId, d.deckName, d.nowMs / 1000) + "}";
}

constexpr const char* kDeckOptions =
    R"({"1":{"id":1,"name":"Default","mod":0,"usn":0,"maxTaken":60,"autoplay":true,"timer":0,)"
    R"("replayq":true,"dyn":false,"new":{"delays":[1,10],"ints":[1,4,0],"initialFactor":2500,)"
    R"("order":1,"perDay":20,"bury":false},"rev":{"perDay":200,"ease4":1.3,"ivlFct":1,"maxIvl":36500,)"
    R"("fuzz":0.05,"bury":false,"hardFactor":1.2},"lapse":{"delays":[10],"mult":0,"minInt":1,)"
    R"("leechFails":8,"leechAction":1}}})";

std::string confJson(const CollectionDeck& d) {
    return "{\"activeDecks\":[" + std::to_string(d.deckId) + "],\"curDeck\":" + std::to_string(d.deckId) +
           ",\"newSpread\":0,\"collapseTime\":1200,\"timeLim\":0,\"estTimes\":true,\"dueCounts\":true,"
           "\"curModel\":" +
           std::to_string(d.modelId) +
           ",\"nextPos\":1,\"sortType\":\"noteFld\",\"sortBackwards\":false,\"addToCur\":true}";
}

class Writer {
public:
    std::optional<std::string> write(const std::string& path, const CollectionDeck& deck,
                                      const std::vector<CollectionNote>& notes) {
        sqlite3* raw = nullptr;
        const int r = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        db_.reset(raw);  // a handle comes back even on failure, to be closed
        if (r != SQLITE_OK) return failed("cannot create the collection");
        // A fresh file nobody else reads: no journal is needed.
        if (!exec("pragma journal_mode = off; pragma synchronous = off; begin;") || !exec(kSchema))
            return error_;
        if (!writeCol(deck) || !writeNotes(deck, notes) || !exec("commit;")) return error_;
        if (sqlite3_close(db_.release()) != SQLITE_OK) return std::string("cannot close the collection");
        return std::nullopt;
    }

private:
    std::string failed(const char* step) {
        error_ = std::string(step) + ": " + (db_ ? sqlite3_errmsg(db_.get()) : "out of memory");
        return *error_;
    }
    bool exec(const char* sql) {
        if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
        failed("cannot write the collection");
        return false;
    }
    StatementPtr prepare(const char* sql) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_.get(), sql, -1, &raw, nullptr) != SQLITE_OK) failed("cannot write the collection");
        return StatementPtr(raw);
    }
    bool bind(sqlite3_stmt* s, int i, int64_t v) { return check(sqlite3_bind_int64(s, i, v)); }
    bool bind(sqlite3_stmt* s, int i, const std::string& v) {
        return check(sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
    }
    bool check(int r) {
        if (r == SQLITE_OK) return true;
        failed("cannot write the collection");
        return false;
    }
    bool step(sqlite3_stmt* s) {
        const bool ok = sqlite3_step(s) == SQLITE_DONE;
        if (!ok) failed("cannot write the collection");
        sqlite3_reset(s);
        return ok;
    }

    bool writeCol(const CollectionDeck& d) {
        StatementPtr s = prepare("insert into col values (1, ?, ?, ?, 11, 0, 0, 0, ?, ?, ?, ?, '{}')");
        if (!s) return false;
        const int64_t day = d.nowMs / 1000 / 86400 * 86400;  // the collection's creation: a day's start
        return bind(s.get(), 1, day) && bind(s.get(), 2, d.nowMs) && bind(s.get(), 3, d.nowMs) &&
               bind(s.get(), 4, confJson(d)) && bind(s.get(), 5, modelsJson(d)) &&
               bind(s.get(), 6, decksJson(d)) && bind(s.get(), 7, std::string(kDeckOptions)) && step(s.get());
    }

    bool writeNotes(const CollectionDeck& d, const std::vector<CollectionNote>& notes) {
        StatementPtr note = prepare("insert into notes values (?, ?, ?, ?, -1, '', ?, ?, ?, 0, '')");
        StatementPtr card = prepare(
            "insert into cards values (?, ?, ?, 0, ?, -1, 0, 0, ?, 0, 0, 0, 0, 0, 0, 0, 0, '')");
        if (!note || !card) return false;
        const int64_t seconds = d.nowMs / 1000;
        for (const CollectionNote& n : notes) {
            const std::string fields = n.sound + '\x1f' + n.sentence + '\x1f' + n.answer;
            if (!bind(note.get(), 1, n.id) || !bind(note.get(), 2, n.guid) || !bind(note.get(), 3, d.modelId) ||
                !bind(note.get(), 4, seconds) || !bind(note.get(), 5, fields) || !bind(note.get(), 6, n.sortText) ||
                !bind(note.get(), 7, fieldChecksum(n.sortText)) || !step(note.get()))
                return false;
            if (!bind(card.get(), 1, n.cardId) || !bind(card.get(), 2, n.id) || !bind(card.get(), 3, d.deckId) ||
                !bind(card.get(), 4, seconds) || !bind(card.get(), 5, n.due) || !step(card.get()))
                return false;
        }
        return true;
    }

    DatabasePtr db_;
    std::optional<std::string> error_;
};

}  // namespace

std::array<uint8_t, 20> sha1(const std::string& text) {
    std::array<uint8_t, 20> digest{};
    std::unique_ptr<AVSHA, decltype(&av_free)> sha(av_sha_alloc(), &av_free);
    if (!sha || av_sha_init(sha.get(), 160) < 0) throw std::bad_alloc();
    av_sha_update(sha.get(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
    av_sha_final(sha.get(), digest.data());
    return digest;
}

int64_t fieldChecksum(const std::string& text) {
    const auto d = sha1(text);
    return (int64_t{d[0]} << 24) | (int64_t{d[1]} << 16) | (int64_t{d[2]} << 8) | int64_t{d[3]};
}

std::optional<std::string> writeCollection(const std::string& path, const CollectionDeck& deck,
                                           const std::vector<CollectionNote>& notes) {
    return Writer().write(path, deck, notes);
}

}  // namespace qm::anki
