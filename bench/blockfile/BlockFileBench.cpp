// Save and load of a full block file: 1000 blocks, 1000 note lines of 80
// characters, every fourth one Japanese (so the file is written and read as
// CP932, the costlier road). The save is also taken apart: the bytes made
// (serialize), their encoding alone beside the encoder as it was (the whole
// text through iconv and back), and the write, with stdio and with the
// program's own writer (flushed to the disk, then renamed). The load is the
// yardstick: nothing here changes it.
#include "blockfile/BlockFile.h"
#include "tests/blockfile/ReferenceEncoder.h"
#include "text/TextCodec.h"
#include "files/WholeFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

using namespace qm::blockfile;

BlockData fullLesson() {
    BlockData d;
    d.mediaPath = "/home/user/lessons/表ソ十/lesson.mp3";
    d.mediaLength = 3600000;
    for (int32_t i = 0; i <= 1000; ++i) d.separators.push_back(i * 3600);
    const std::string japanese = "日本語の練習メモ、ブロックごとに一行。";  // 19 characters
    for (int i = 0; i < 1000; ++i) {
        std::string note;
        if (i % 4 == 0) {
            while (note.size() < 4 * japanese.size()) note += japanese;  // 76 characters
            note += "1234";
        } else {
            note = std::string(78, 'a' + i % 26) + " *";
        }
        d.memoLines.push_back(note);
    }
    return d;
}

// A temporary file for the run, removed at the end.
class TempFile {
public:
    TempFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qm5-bench-XXXXXX.bsd").string();
        const int fd = mkstemps(pattern.data(), 4);
        if (fd < 0) throw std::runtime_error("cannot create a temporary file");
        if (close(fd) != 0) throw std::runtime_error("cannot close the temporary file");
        path_ = pattern;
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot open " + path);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot open " + path);
    std::string bytes;
    char buf[65536];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    if (std::fclose(f) != 0 || failed) throw std::runtime_error("cannot read " + path);
    return bytes;
}

void BM_Serialize(benchmark::State& state) {
    const BlockData data = fullLesson();
    for (auto _ : state) benchmark::DoNotOptimize(serialize(data));
}

// The file's text as serialize hands it to the encoder.
std::string fullLessonText() { return qm::text::decode(serialize(fullLesson())); }

void BM_Encode(benchmark::State& state) {
    const std::string text = fullLessonText();
    for (auto _ : state) benchmark::DoNotOptimize(qm::text::encode(text));
}

void BM_EncodeAsBefore(benchmark::State& state) {
    const std::string text = fullLessonText();
    if (qm::text::reference::encode(text) != qm::text::encode(text)) {
        state.SkipWithError("the encoders differ");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(qm::text::reference::encode(text));
}

void BM_WriteStdio(benchmark::State& state) {
    const std::string bytes = serialize(fullLesson());
    const TempFile file;
    for (auto _ : state) writeFile(file.path(), bytes);
}

void BM_WriteWholeFile(benchmark::State& state) {
    const std::string bytes = serialize(fullLesson());
    const TempFile file;
    for (auto _ : state) {
        if (qm::files::writeWholeFile(file.path(), bytes)) {
            state.SkipWithError("the block file was not written");
            return;
        }
    }
}

void BM_SaveBlockFile(benchmark::State& state) {
    const BlockData data = fullLesson();
    const TempFile file;
    for (auto _ : state) writeFile(file.path(), serialize(data));
    state.counters["bytes"] = static_cast<double>(readFile(file.path()).size());
}

void BM_LoadBlockFile(benchmark::State& state) {
    const TempFile file;
    writeFile(file.path(), serialize(fullLesson()));
    for (auto _ : state) {
        const ParseResult r = parse(readFile(file.path()));
        if (r.status != ParseStatus::Ok || r.data.memoLines.size() != 1000) {
            state.SkipWithError("the block file did not load");
            return;
        }
        benchmark::DoNotOptimize(r);
    }
}

}  // namespace

BENCHMARK(BM_SaveBlockFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadBlockFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Serialize)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Encode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeAsBefore)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteStdio)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteWholeFile)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
