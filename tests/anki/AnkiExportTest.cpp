// A lesson exported as an Anki package and read back the way Anki reads one:
// the zip, the collection's tables and JSON, the media list and the clips,
// decoded and measured. The lesson's audio is written here: a tone of its own
// pitch per block, at 48 kHz stereo, so the clips go through the resampler.
#include "anki/AnkiExport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <sqlite3.h>
#include <zip.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace qm::anki;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "qm5-anki-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(path_)) names.insert(e.path().filename().string());
        return names;
    }

private:
    fs::path path_;
};

constexpr int kRate = 48000;

void putLe(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 16-bit stereo WAV: block k of the separators a sine of tones[k] Hz.
void writeToneWav(const std::string& path, const std::vector<int32_t>& separators, const std::vector<double>& tones) {
    std::string data;
    for (size_t k = 0; k + 1 < separators.size(); ++k) {
        const int64_t from = int64_t{separators[k]} * kRate / 1000, to = int64_t{separators[k + 1]} * kRate / 1000;
        for (int64_t i = from; i < to; ++i) {
            const auto v = static_cast<int16_t>(12000 * std::sin(2 * M_PI * tones[k] * static_cast<double>(i) / kRate));
            putLe(data, static_cast<uint16_t>(v), 2);
            putLe(data, static_cast<uint16_t>(v), 2);
        }
    }
    std::string wav = "RIFF";
    putLe(wav, static_cast<uint32_t>(36 + data.size()), 4);
    wav += "WAVEfmt ";
    putLe(wav, 16, 4);
    putLe(wav, 1, 2);  // PCM
    putLe(wav, 2, 2);
    putLe(wav, kRate, 4);
    putLe(wav, kRate * 4, 4);
    putLe(wav, 4, 2);
    putLe(wav, 16, 2);
    wav += "data";
    putLe(wav, static_cast<uint32_t>(data.size()), 4);
    wav += data;
    std::ofstream(path, std::ios::binary) << wav;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every entry of a zip, by name.
std::map<std::string, std::string> unzip(const std::string& path) {
    std::map<std::string, std::string> files;
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!archive) {
        ADD_FAILURE() << "cannot open " << path << " as a zip: " << code;
        return files;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, i, 0, &st) != 0) {
            ADD_FAILURE() << "cannot stat entry " << i;
            continue;
        }
        std::string bytes(st.size, '\0');
        zip_file_t* f = zip_fopen_index(archive, i, 0);
        if (!f || zip_fread(f, bytes.data(), st.size) != static_cast<zip_int64_t>(st.size))
            ADD_FAILURE() << "cannot read " << st.name;
        if (f) zip_fclose(f);
        files[st.name] = bytes;
    }
    zip_discard(archive);
    return files;
}

// The rows of a query, each column as text.
using Rows = std::vector<std::vector<std::string>>;
Rows query(sqlite3* db, const char* sql) {
    Rows rows;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
        return rows;
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            const auto* text = sqlite3_column_text(s, c);
            row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(s);
    return rows;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts(1);
    for (const char c : s) {
        if (c == sep)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

QJsonObject jsonObject(const std::string& text) {
    QJsonParseError e{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &e);
    EXPECT_EQ(e.error, QJsonParseError::NoError) << e.errorString().toStdString() << " in " << text;
    EXPECT_TRUE(doc.isObject()) << text;
    return doc.object();
}

// A clip as a player hears it: its length in ms and its pitch from the zero
// crossings of its first and its last 50 ms (5 ms in from either end), so
// a cut that falls a few ms early or late hears the next block's tone.
struct Heard {
    double ms = -1;
    double hzFirst = -1, hzLast = -1;
};
Heard decodeClip(const std::string& path) {
    Heard heard;
    AVFormatContext* format = nullptr;
    if (const int r = avformat_open_input(&format, path.c_str(), nullptr, nullptr); r < 0) {
        ADD_FAILURE() << "cannot open " << path << ": " << r;
        return heard;
    }
    EXPECT_GE(avformat_find_stream_info(format, nullptr), 0);
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    AVCodecContext* codec = stream >= 0 ? avcodec_alloc_context3(decoder) : nullptr;
    if (!codec || avcodec_parameters_to_context(codec, format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(codec, decoder, nullptr) < 0) {
        ADD_FAILURE() << "cannot decode " << path << ": stream " << stream;
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        return heard;
    }
    codec->pkt_timebase = format->streams[stream]->time_base;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<float> samples;
    auto drain = [&] {
        while (avcodec_receive_frame(codec, frame) >= 0) {
            EXPECT_EQ(frame->format, AV_SAMPLE_FMT_FLTP);
            const auto* x = reinterpret_cast<const float*>(frame->data[0]);
            samples.insert(samples.end(), x, x + frame->nb_samples);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream) {
            EXPECT_GE(avcodec_send_packet(codec, packet), 0);
        }
        av_packet_unref(packet);
        drain();
    }
    avcodec_send_packet(codec, nullptr);
    drain();
    const int rate = codec->sample_rate;
    heard.ms = 1000.0 * static_cast<double>(samples.size()) / rate;
    auto pitch = [&](size_t from, size_t to) {
        int crossings = 0;
        for (size_t i = from + 1; i < to; ++i)
            if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
        return crossings / 2.0 / (static_cast<double>(to - from) / rate);
    };
    const size_t margin = rate * 5 / 1000, window = rate / 20;
    if (samples.size() > 2 * (margin + window)) {
        heard.hzFirst = pitch(margin, margin + window);
        heard.hzLast = pitch(samples.size() - margin - window, samples.size() - margin);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return heard;
}

// What one package holds, read back.
struct Package {
    QJsonObject models, decks, conf;
    std::map<int64_t, std::vector<std::string>> notesByDue;  // id, guid, flds..., card deck
    std::map<std::string, std::string> media;                // number -> name
    std::map<std::string, std::string> files;
    int cards = 0;
};

Package readPackage(const std::string& apkg, const TempDir& scratch) {
    Package p;
    p.files = unzip(apkg);
    const std::string dbPath = scratch.file("collection.anki2");
    std::ofstream(dbPath, std::ios::binary | std::ios::trunc) << p.files["collection.anki2"];
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    EXPECT_EQ(query(db, "pragma integrity_check"), (Rows{{"ok"}}));
    const Rows col = query(db, "select ver, models, decks, conf, dconf from col");
    EXPECT_EQ(col.size(), 1u);
    if (col.size() == 1) {
        EXPECT_EQ(col[0][0], "11");
        p.models = jsonObject(col[0][1]);
        p.decks = jsonObject(col[0][2]);
        p.conf = jsonObject(col[0][3]);
        EXPECT_TRUE(jsonObject(col[0][4]).contains("1"));  // the options the decks name
    }
    for (const auto& r : query(db,
                               "select n.id, n.guid, n.flds, n.mid, c.did, c.due, c.ord, c.queue from notes n "
                               "join cards c on c.nid = n.id")) {
        std::vector<std::string> note = {r[0], r[1], r[3], r[4], r[6], r[7]};
        for (const auto& f : split(r[2], '\x1f')) note.push_back(f);
        p.notesByDue[std::stoll(r[5])] = note;
    }
    p.cards = std::stoi(query(db, "select count(*) from cards")[0][0]);
    EXPECT_EQ(query(db, "select count(*) from notes")[0][0], std::to_string(p.notesByDue.size()));
    sqlite3_close(db);
    const QJsonObject media = jsonObject(p.files["media"]);
    for (auto it = media.begin(); it != media.end(); ++it)
        p.media[it.key().toStdString()] = it.value().toString().toStdString();
    return p;
}

// The clip name of a note: its Sound field, [sound:NAME].
std::string soundOf(const std::vector<std::string>& note) {
    const std::string& f = note.at(6);
    EXPECT_EQ(f.rfind("[sound:", 0), 0u) << f;
    return f.size() > 8 ? f.substr(7, f.size() - 8) : f;
}

const std::vector<int32_t> kSeparators = {0, 1200, 2500, 3100, 4300, 5000};
const std::vector<double> kTones = {300, 500, 700, 900, 1100};

ExportInput lesson(const std::string& media) {
    ExportInput in;
    in.deckName = "Lesson <1> & \"friends\"";
    in.mediaPath = media;
    in.separators = kSeparators;
    in.notes = {"Tom & Jerry say \"<hi>\", it's fine", "私は学生です", "", "Good morning", "The end"};
    in.lastAnswers = {std::string("Tom & Jerry say <hi>"), std::string("私が学生でした")};
    in.lessonKey = "/lessons/one.txt";
    return in;
}

// Runs a program with arguments (no shell); true when it exits with 0.
bool runTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The lesson's media as written (WAV), or encoded to mp3 by ffmpeg, whose
// decoder drops the encoder's delay: the cuts must land the same in both.
class AnkiExport : public ::testing::TestWithParam<const char*> {};
INSTANTIATE_TEST_SUITE_P(Media, AnkiExport, ::testing::Values("wav", "mp3"));

TEST_P(AnkiExport, WritesAPackageAnkiReadsAndUpdatesTheSameNotesOnTheNextExport) {
    TempDir dir;
    const std::string wav = dir.file("lesson.wav"), apkg = dir.file("lesson.apkg");
    writeToneWav(wav, kSeparators, kTones);
    std::string media = wav;
    if (std::string(GetParam()) == "mp3") {
        media = dir.file("lesson.mp3");
        ASSERT_TRUE(runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", wav, "-c:a", "libmp3lame", "-b:a", "128k",
                             media}));
        fs::remove(wav);
    }
    ExportInput in = lesson(media);

    std::vector<int> steps;
    const ExportResult first = exportPackage(in, apkg, [&](int p) { steps.push_back(p); }, nullptr);
    ASSERT_FALSE(first.error) << *first.error;
    EXPECT_EQ(first.notesWritten, 4);  // the block without a note line has none
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), 100);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_EQ(dir.entries(), (std::set<std::string>{fs::path(media).filename().string(), "lesson.apkg"}))
        << "nothing left beside it";

    TempDir scratch;
    const Package p = readPackage(apkg, scratch);

    // The note type and the deck, by name, and the ids the cards use.
    ASSERT_EQ(p.models.size(), 1);
    const QJsonObject model = p.models.begin().value().toObject();
    EXPECT_EQ(model["name"].toString(), "QM5 dictation");
    EXPECT_EQ(model["id"].toVariant().toLongLong(), p.models.begin().key().toLongLong());
    QStringList fieldNames;
    for (const auto& f : model["flds"].toArray()) fieldNames << f.toObject()["name"].toString();
    EXPECT_EQ(fieldNames, (QStringList{"Sound", "Sentence", "Answer"}));
    ASSERT_EQ(model["tmpls"].toArray().size(), 1);
    EXPECT_TRUE(model["tmpls"][0].toObject()["qfmt"].toString().contains("{{Sound}}"));
    EXPECT_TRUE(model["tmpls"][0].toObject()["afmt"].toString().contains("{{Sentence}}"));
    int64_t deckId = 0;
    for (auto it = p.decks.begin(); it != p.decks.end(); ++it)
        if (it.value().toObject()["name"].toString().toStdString() == in.deckName) deckId = it.key().toLongLong();
    ASSERT_NE(deckId, 0) << "no deck named after the lesson";
    EXPECT_EQ(p.conf["curDeck"].toVariant().toLongLong(), deckId);

    // One card per note, in the lesson's deck, in block order.
    ASSERT_EQ(p.notesByDue.size(), 4u);
    EXPECT_EQ(p.cards, 4);
    std::vector<std::vector<std::string>> notes;
    for (const auto& [due, note] : p.notesByDue) notes.push_back(note);
    for (const auto& n : notes) {
        ASSERT_EQ(n.size(), 9u) << "three fields";
        EXPECT_EQ(n[2], p.models.begin().key().toStdString());  // the note type
        EXPECT_EQ(std::stoll(n[3]), deckId);
        EXPECT_EQ(n[4], "0");  // the one template
        EXPECT_EQ(n[5], "0");  // new
    }
    EXPECT_EQ(notes[0][7], "Tom &amp; Jerry say &quot;&lt;hi&gt;&quot;, it&#39;s fine");
    EXPECT_EQ(notes[0][8],
              "Tom Jerry say hi <span style=\"color:#c00000\">[it&#39;s]</span> "
              "<span style=\"color:#c00000\">[fine]</span>");
    EXPECT_EQ(notes[1][7], "私は学生です");
    EXPECT_EQ(notes[1][8],
              "私<span style=\"color:#c06000\"><s>が</s> は</span>学生で"
              "<span style=\"color:#c06000\"><s>し</s> す</span><span style=\"color:#0050c0\"><s>た</s></span>");
    EXPECT_EQ(notes[2][7], "Good morning");
    EXPECT_EQ(notes[2][8], "");  // no answer, no marking
    EXPECT_EQ(notes[3][7], "The end");

    // The media list names each clip once; each clip is its block, in length and in pitch.
    ASSERT_EQ(p.media.size(), 4u);
    std::map<std::string, std::string> numberOf;
    for (const auto& [number, name] : p.media) numberOf[name] = number;
    ASSERT_EQ(numberOf.size(), 4u);
    const std::vector<int> blocks = {0, 1, 3, 4};
    for (size_t i = 0; i < notes.size(); ++i) {
        const std::string name = soundOf(notes[i]);
        ASSERT_EQ(numberOf.count(name), 1u) << name << " is not in the media list";
        ASSERT_EQ(p.files.count(numberOf[name]), 1u);
        const std::string clipPath = scratch.file(name);
        std::ofstream(clipPath, std::ios::binary) << p.files.at(numberOf[name]);
        const Heard heard = decodeClip(clipPath);
        const int k = blocks[i];
        EXPECT_NEAR(heard.ms, kSeparators[k + 1] - kSeparators[k], 20) << "block " << k;
        EXPECT_NEAR(heard.hzFirst, kTones[k], 15) << "block " << k;
        EXPECT_NEAR(heard.hzLast, kTones[k], 15) << "block " << k;
    }

    // Again over the same file: the same notes, no copies. Then block 3 one
    // tenth of a second shorter: the same notes, new sounds for it and the next.
    const ExportResult second = exportPackage(in, apkg, nullptr, nullptr);
    ASSERT_FALSE(second.error) << *second.error;
    const Package again = readPackage(apkg, scratch);
    ASSERT_EQ(again.notesByDue.size(), 4u);
    EXPECT_EQ(again.cards, 4);
    in.separators[4] = 4200;
    ASSERT_FALSE(exportPackage(in, apkg, nullptr, nullptr).error);
    const Package moved = readPackage(apkg, scratch);
    ASSERT_EQ(moved.notesByDue.size(), 4u);
    int sameSounds = 0;
    for (const auto& [due, note] : p.notesByDue) {
        for (const Package* other : {&again, &moved}) {
            const auto& n = other->notesByDue.at(due);
            EXPECT_EQ(n[0], note[0]) << "note id";
            EXPECT_EQ(n[1], note[1]) << "guid";
            EXPECT_EQ(n[3], note[3]) << "deck id";
            EXPECT_EQ(n[7], note[7]);
        }
        EXPECT_EQ(soundOf(again.notesByDue.at(due)), soundOf(note));
        if (soundOf(moved.notesByDue.at(due)) == soundOf(note)) ++sameSounds;
    }
    EXPECT_EQ(sameSounds, 2) << "blocks 0 and 1 keep their clips, 3 and 4 get new ones";
}

TEST(AnkiExportFailure, AFailedOrCancelledExportLeavesNoFileAndKeepsTheOldOne) {
    TempDir dir;
    const std::string media = dir.file("lesson.wav"), apkg = dir.file("lesson.apkg");
    writeToneWav(media, kSeparators, kTones);
    const std::string old = "the package of an earlier export";
    std::ofstream(apkg, std::ios::binary) << old;
    const std::set<std::string> before = dir.entries();

    // Cancelled half way through the clips.
    std::atomic<bool> cancel{false};
    const ExportResult cancelled =
        exportPackage(lesson(media), apkg, [&](int p) { if (p >= 40) cancel = true; }, &cancel);
    ASSERT_TRUE(cancelled.error);
    EXPECT_EQ(*cancelled.error, "cancelled");
    EXPECT_EQ(cancelled.notesWritten, 0);
    EXPECT_EQ(readFile(apkg), old);
    EXPECT_EQ(dir.entries(), before);

    // A media that is not there, and one that ends before the last block with a note.
    ExportInput missing = lesson(dir.file("gone.wav"));
    const ExportResult notThere = exportPackage(missing, apkg, nullptr, nullptr);
    ASSERT_TRUE(notThere.error);
    EXPECT_NE(notThere.error->find("cannot open the media"), std::string::npos) << *notThere.error;
    ExportInput longer = lesson(media);
    longer.separators = {0, 1200, 2500, 3100, 5200, 7000};
    const ExportResult tooShort = exportPackage(longer, apkg, nullptr, nullptr);
    ASSERT_TRUE(tooShort.error);
    EXPECT_NE(tooShort.error->find("before the block at 5200 ms"), std::string::npos) << *tooShort.error;
    EXPECT_EQ(readFile(apkg), old);
    EXPECT_EQ(dir.entries(), before);
}

}  // namespace
