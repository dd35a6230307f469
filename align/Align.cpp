#include "align/Align.h"

#include "align/AudioReader.h"
#include "align/Lexicon.h"
#include "align/Placement.h"
#include "align/Recognizer.h"
#include "align/SpokenForm.h"
#include "align/Utf8Walk.h"
#include "pauses/Pauses.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <unistd.h>

namespace qm::align {

namespace {

constexpr int kMaxBlocks = 1000;
constexpr int32_t kFrameMs = 10;
constexpr int kSamplesPerFrame = kSampleRate * kFrameMs / 1000;
// Audio is recognised a window at a time, so that an hour needs no more
// memory than a minute; a window that finds no sentence grows up to the
// longest, past which its audio is taken for speech the script does not hold.
constexpr int32_t kWindowMs = 60'000;
constexpr int32_t kLongestWindowMs = 240'000;
// A window ends in the quietest 300 ms of its last 15 s.
constexpr int32_t kWindowEndSearchMs = 15'000;
constexpr int32_t kQuietMs = 300;
// Sentences that end this close to a window's end are heard again in the next one.
constexpr int32_t kGuardMs = 1'500;
// Grammar prices: leaving out a sentence, and leaving the script where a window ends.
constexpr double kSkipProb = 1e-20;
constexpr double kExitProb = 1e-30;

int32_t samplesToMs(int64_t samples) { return static_cast<int32_t>(samples * 1000 / kSampleRate); }
int64_t msToSamples(int64_t ms) { return ms * kSampleRate / 1000; }

// Whether the script is English, as far as the English model is concerned:
// nearly all its letters are Latin ones.
bool looksEnglish(const std::vector<Sentence>& script) {
    size_t latin = 0, other = 0;
    for (const Sentence& s : script) {
        size_t i = 0;
        while (i < s.text.size()) {
            const utf8::Char c = utf8::at(s.text, i);
            i += c.length;
            if ((c.code >= 'A' && c.code <= 'Z') || (c.code >= 'a' && c.code <= 'z') || (c.code >= 0xC0 && c.code < 0x250)) {
                ++latin;
            } else if (utf8::isEastAsian(c.code) || (c.code >= 0x370 && c.code < 0x2000)) {
                ++other;
            }
        }
    }
    return latin > 0 && other * 10 <= latin;
}

// A sentence's length for the length-based method: its characters other than blanks and punctuation.
double weightOf(const std::string& text) {
    double n = 0;
    size_t i = 0;
    while (i < text.size()) {
        const utf8::Char c = utf8::at(text, i);
        i += c.length;
        if (utf8::isBlank(c.code)) continue;
        if (c.code < 0x80 && !std::isalnum(static_cast<int>(c.code))) continue;
        if ((c.code >= 0x3000 && c.code <= 0x303F) || (c.code >= 0xFF01 && c.code <= 0xFF0F)) continue;
        n += 1;
    }
    return n;
}

// The media's audio, read as the windows need it: the samples from some
// point on, and the loudness of all of it so far.
class AudioBuffer {
public:
    explicit AudioBuffer(AudioReader& reader) : reader_(reader) { envelope_.frameMs = kFrameMs; }

    // Reads until sample `until` is held or the audio ends.
    void fill(int64_t until) {
        while (!ended_ && end() < until) {
            const size_t before = samples_.size();
            if (reader_.read(samples_, kSampleRate) == 0) ended_ = true;
            measure(before);
        }
    }
    void fillAll() { fill(INT64_MAX); }

    // Forgets the samples before `from`.
    void drop(int64_t from) {
        const int64_t n = std::clamp<int64_t>(from - start_, 0, static_cast<int64_t>(samples_.size()));
        samples_.erase(samples_.begin(), samples_.begin() + n);
        start_ += n;
    }

    int64_t start() const { return start_; }
    int64_t end() const { return start_ + static_cast<int64_t>(samples_.size()); }
    bool ended() const { return ended_; }
    const int16_t* at(int64_t sample) const { return samples_.data() + (sample - start_); }

    // The loudness so far; finish() adds the last, shorter frame.
    const analysis::Envelope& envelope() const { return envelope_; }
    analysis::Envelope finish() {
        if (partialCount_ > 0) envelope_.rms.push_back(static_cast<float>(std::sqrt(partialSum_ / partialCount_)));
        envelope_.durationMs = samplesToMs(end());
        partialCount_ = 0;
        return envelope_;
    }

private:
    void measure(size_t from) {
        for (size_t k = from; k < samples_.size(); ++k) {
            const double x = samples_[k] / 32768.0;
            partialSum_ += x * x;
            if (++partialCount_ == kSamplesPerFrame) {
                envelope_.rms.push_back(static_cast<float>(std::sqrt(partialSum_ / kSamplesPerFrame)));
                partialSum_ = 0;
                partialCount_ = 0;
            }
        }
        envelope_.durationMs = samplesToMs(end());
    }

    AudioReader& reader_;
    std::vector<int16_t> samples_;
    int64_t start_ = 0;
    bool ended_ = false;
    analysis::Envelope envelope_;
    double partialSum_ = 0;
    int partialCount_ = 0;
};

// The middle of the quietest kQuietMs in [fromMs, toMs] of the envelope.
int32_t quietestPlace(const analysis::Envelope& e, int32_t fromMs, int32_t toMs) {
    const int32_t width = kQuietMs / kFrameMs;
    const int32_t first = std::max(0, fromMs / kFrameMs);
    const int32_t last = std::min(static_cast<int32_t>(e.rms.size()), toMs / kFrameMs) - width;
    if (last < first) return toMs;
    double sum = 0;
    for (int32_t k = first; k < first + width; ++k) sum += static_cast<double>(e.rms[k]) * e.rms[k];
    double best = sum;
    int32_t bestAt = first;
    for (int32_t k = first + 1; k <= last; ++k) {
        sum += static_cast<double>(e.rms[k + width - 1]) * e.rms[k + width - 1] -
               static_cast<double>(e.rms[k - 1]) * e.rms[k - 1];
        if (sum <= best) {  // the later of equals: the window reaches further
            best = sum;
            bestAt = k;
        }
    }
    return (bestAt + width / 2) * kFrameMs;
}

// A sentence as the grammar says it: its tokens' readings, each word under a
// name of its own, so that a heard word tells its sentence and token.
struct SpokenSentence {
    std::vector<SpokenToken> tokens;
    std::vector<std::vector<std::vector<std::string>>> names;  // [token][reading][word]
    int phones = 0;
};

struct WordPlace {
    int sentence = 0;
    int token = 0;
};

class SpeechAligner {
public:
    SpeechAligner(const std::vector<Sentence>& script, const Options& options, const Progress& progress,
                  const std::atomic<bool>* cancel)
        : script_(script), options_(options), progress_(progress), cancel_(cancel) {}

    Result run(const std::string& mediaPath);

private:
    bool cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }

    void report(int percent) {
        percent = std::clamp(percent, 0, 100);
        if (percent <= reported_) return;
        reported_ = percent;
        if (progress_) progress_(percent);
    }

    // The grammar's words and pronunciations for every sentence.
    bool prepare(std::string& error) {
        std::set<std::string> words;
        std::map<std::string, std::string> written;
        spoken_.resize(script_.size());
        for (size_t i = 0; i < script_.size(); ++i) {
            spoken_[i].tokens = spokenForm(script_[i].text);
            for (const SpokenToken& t : spoken_[i].tokens)
                for (const auto& reading : t.readings)
                    for (const std::string& w : reading) {
                        words.insert(w);
                        if (reading.size() == 1) written.emplace(w, t.written);
                    }
        }
        auto lexicon = Lexicon::load(options_.modelDir + "/cmudict-en-us.dict", words, written, error);
        if (!lexicon) return false;
        lexicon_ = std::move(*lexicon);
        int next = 0;
        for (size_t i = 0; i < spoken_.size(); ++i) {
            SpokenSentence& s = spoken_[i];
            for (size_t t = 0; t < s.tokens.size(); ++t) {
                s.names.emplace_back();
                for (size_t r = 0; r < s.tokens[t].readings.size(); ++r) {
                    s.names[t].emplace_back();
                    for (const std::string& w : s.tokens[t].readings[r]) {
                        const std::string name = "w" + std::to_string(next++);
                        s.names[t][r].push_back(name);
                        places_[name] = WordPlace{static_cast<int>(i), static_cast<int>(t)};
                        plain_[name] = w;
                        if (r == 0) {
                            const auto& prons = lexicon_.pronunciations(w);
                            if (!prons.empty())
                                s.phones += static_cast<int>(std::count(prons[0].begin(), prons[0].end(), ' ')) + 1;
                        }
                    }
                }
            }
        }
        return true;
    }

    Recognizer* recognizer(Recognizer::Width width, std::string& error) {
        auto& r = width == Recognizer::Width::Wide ? wide_ : normal_;
        if (!r) r = Recognizer::create(options_.modelDir + "/en-us", width, error);
        return r.get();
    }

    // The grammar of sentences [first, last): speech the script does not hold
    // may come first; each sentence may be left out; with exits, the script
    // may be left after any word, where the window's audio ends.
    Grammar grammarFor(Recognizer& rec, int first, int last, bool exits) {
        Grammar g;
        g.final = g.newState();
        g.garbageStates.push_back(0);
        std::map<std::string, int> index;
        const auto word = [&](const std::string& name) {
            if (!rec.hasWord(name)) rec.addWord(name, lexicon_.pronunciations(plain_[name]));
            const auto [it, added] = index.emplace(name, static_cast<int>(g.words.size()));
            if (added) g.words.push_back(name);
            return it->second;
        };
        int at = 0;
        if (exits) g.arcs.push_back({0, g.final, -1, kExitProb});
        for (int i = first; i < last; ++i) {
            const SpokenSentence& s = spoken_[static_cast<size_t>(i)];
            const int entry = at;
            for (size_t t = 0; t < s.tokens.size(); ++t) {
                const int to = g.newState();
                for (const auto& reading : s.names[t]) {
                    int from = at;
                    for (size_t k = 0; k < reading.size(); ++k) {
                        const int next = k + 1 == reading.size() ? to : g.newState();
                        g.arcs.push_back({from, next, word(reading[k]), 1.0});
                        from = next;
                    }
                }
                at = to;
                if (exits) g.arcs.push_back({at, g.final, -1, kExitProb});
            }
            if (at != entry) g.arcs.push_back({entry, at, -1, kSkipProb});
        }
        g.arcs.push_back({at, g.final, -1, 1.0});
        return g;
    }

    // What one window heard: the sentences complete in it, with their spans.
    struct Heard {
        std::map<int, Span> complete;
    };

    std::optional<Heard> hear(int64_t fromSample, int64_t toSample, int first, int last, bool exits,
                              std::string& error) {
        for (Recognizer::Width width : {Recognizer::Width::Normal, Recognizer::Width::Wide}) {
            Recognizer* rec = recognizer(width, error);
            if (!rec) return std::nullopt;
            const Grammar g = grammarFor(*rec, first, last, exits);
            const auto words = rec->decode(audio_->at(fromSample), static_cast<size_t>(toSample - fromSample), g,
                                           cancel_);
            if (cancelled()) return std::nullopt;
            if (!words) continue;
            Heard h;
            const int32_t offsetMs = samplesToMs(fromSample);
            std::map<int, int> lastToken;
            for (const HeardWord& w : *words) {
                const auto place = places_.find(w.word);
                if (place == places_.end()) continue;
                const int sentence = place->second.sentence;
                const int32_t start = offsetMs + w.firstFrame * kFrameMs;
                const int32_t end = offsetMs + (w.lastFrame + 1) * kFrameMs;
                auto [it, fresh] = h.complete.emplace(sentence, Span{start, end});
                if (!fresh) it->second.endMs = end;
                lastToken[sentence] = place->second.token;
            }
            for (auto it = h.complete.begin(); it != h.complete.end();) {
                const auto& tokens = spoken_[static_cast<size_t>(it->first)].tokens;
                if (lastToken[it->first] + 1 != static_cast<int>(tokens.size())) {
                    it = h.complete.erase(it);
                } else {
                    ++it;
                }
            }
            return h;
        }
        return Heard{};  // no path through the grammar: nothing heard
    }

    // How long sentence i should take, from the pace heard so far.
    int32_t expectedMs(int i) const {
        double perPhone = 85;
        if (!pace_.empty()) {
            std::vector<double> p = pace_;
            std::nth_element(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(p.size() / 2), p.end());
            perPhone = p[p.size() / 2];
        }
        return static_cast<int32_t>(perPhone * std::max(spoken_[static_cast<size_t>(i)].phones, 1)) + 700;
    }

    void accept(int sentence, const Span& span) {
        spans_[static_cast<size_t>(sentence)] = span;
        const int phones = spoken_[static_cast<size_t>(sentence)].phones;
        if (phones >= 8) pace_.push_back(static_cast<double>(span.endMs - span.startMs) / phones);
    }

    // Sentences whose words took far longer or shorter than the others' were
    // forced onto sound that is not theirs: not placed.
    void dropImplausible() {
        std::vector<double> pace;
        for (size_t i = 0; i < spans_.size(); ++i)
            if (spans_[i] && spoken_[i].phones > 0)
                pace.push_back(static_cast<double>(spans_[i]->endMs - spans_[i]->startMs) / spoken_[i].phones);
        if (pace.size() < 5) return;
        std::nth_element(pace.begin(), pace.begin() + static_cast<std::ptrdiff_t>(pace.size() / 2), pace.end());
        const double median = pace[pace.size() / 2];
        for (size_t i = 0; i < spans_.size(); ++i) {
            if (!spans_[i] || spoken_[i].phones <= 0) continue;
            const double p = static_cast<double>(spans_[i]->endMs - spans_[i]->startMs) / spoken_[i].phones;
            const double low = spoken_[i].phones < 8 ? 0.25 : 0.4, high = spoken_[i].phones < 8 ? 4.0 : 2.5;
            if (p < median * low || p > median * high) spans_[i].reset();
        }
    }

    const std::vector<Sentence>& script_;
    const Options& options_;
    const Progress& progress_;
    const std::atomic<bool>* cancel_;
    int reported_ = -1;

    std::vector<SpokenSentence> spoken_;
    Lexicon lexicon_;
    std::map<std::string, WordPlace> places_;
    std::map<std::string, std::string> plain_;
    std::unique_ptr<Recognizer> normal_, wide_;
    std::unique_ptr<AudioBuffer> audio_;
    std::vector<std::optional<Span>> spans_;
    std::vector<double> pace_;
};

Result failure(std::string reason, bool cancelled = false) {
    Result r;
    r.error = std::move(reason);
    r.cancelled = cancelled;
    return r;
}

// The result's lists from the blocks.
Result resultOf(const std::vector<Sentence>& script, const Blocks& blocks, bool approximate) {
    Result r;
    r.separators = blocks.separators;
    r.approximate = approximate;
    std::vector<bool> own(script.size(), false);
    for (const std::vector<int>& held : blocks.sentences) {
        std::string note;
        for (int i : held) {
            const std::string& text = script[static_cast<size_t>(i)].text;
            if (!note.empty() && !text.empty()) note += ' ';
            note += text;
        }
        r.notes.push_back(std::move(note));
        if (!held.empty()) own[static_cast<size_t>(held.front())] = true;
    }
    for (size_t i = 0; i < script.size(); ++i) {
        if (own[i]) {
            ++r.placedSentences;
        } else {
            r.unplacedSentences.push_back(static_cast<int>(i));
            r.unplacedLines.push_back(script[i].line);
        }
    }
    std::sort(r.unplacedLines.begin(), r.unplacedLines.end());
    r.unplacedLines.erase(std::unique(r.unplacedLines.begin(), r.unplacedLines.end()), r.unplacedLines.end());
    return r;
}

int32_t lengthOf(const AudioReader& reader, const analysis::Envelope& envelope) {
    const int32_t container = reader.containerLengthMs();
    return container > 0 ? container : envelope.durationMs;
}

}  // namespace

Result SpeechAligner::run(const std::string& mediaPath) {
    std::string error;
    if (access((options_.modelDir + "/en-us/mdef").c_str(), R_OK) != 0)
        return failure("no speech model in " + options_.modelDir + " (the package pocketsphinx-en-us has it)");
    if (!prepare(error)) return failure(error);
    if (!recognizer(Recognizer::Width::Normal, error)) return failure(error);
    auto reader = AudioReader::open(mediaPath, cancel_, error);
    if (!reader) return failure(cancelled() ? "cancelled" : error, cancelled());
    audio_ = std::make_unique<AudioBuffer>(*reader);
    report(0);

    const int n = static_cast<int>(script_.size());
    spans_.assign(script_.size(), std::nullopt);
    const int32_t lengthGuess = reader->containerLengthMs();
    int next = 0;
    int64_t anchor = 0;
    int32_t window = kWindowMs;
    while (next < n) {
        if (cancelled()) return failure("cancelled", true);
        audio_->fill(anchor + msToSamples(window + kWindowEndSearchMs));
        if (reader->error()) return failure(*reader->error(), cancelled());
        audio_->drop(anchor);
        const bool last = audio_->ended() && audio_->end() <= anchor + msToSamples(window + kWindowEndSearchMs);
        int64_t end = audio_->end();
        if (!last) {
            const int32_t to = samplesToMs(anchor) + window;
            end = msToSamples(quietestPlace(audio_->envelope(), to - kWindowEndSearchMs, to));
        }
        if (end - anchor < kSampleRate / 10) break;  // a tenth of a second left: nothing more to hear
        // The sentences that may fit: twice what the pace so far says, at least two.
        int stop = next;
        if (last) {
            stop = n;
        } else {
            int64_t expected = 0;
            const int64_t room = 2 * samplesToMs(end - anchor) + 5'000;
            while (stop < n && (stop < next + 2 || expected < room) && stop < next + 100) expected += expectedMs(stop++);
        }
        const auto heard = hear(anchor, end, next, stop, !last, error);
        if (cancelled()) return failure("cancelled", true);
        if (!heard) return failure(error);

        const int32_t endMs = samplesToMs(end);
        int accepted = -1;
        for (const auto& [sentence, span] : heard->complete)
            if (last || span.endMs <= endMs - kGuardMs) accepted = std::max(accepted, sentence);
        if (last) {
            for (const auto& [sentence, span] : heard->complete) accept(sentence, span);
            next = n;
            break;
        }
        if (accepted < 0) {
            // Nothing finished here: speech the script does not hold, longer than the window.
            if (window < kLongestWindowMs) {
                window = std::min(window * 2, kLongestWindowMs);
                continue;
            }
            anchor = std::max(anchor + msToSamples(kWindowMs / 2), end - msToSamples(10'000));
            window = kWindowMs;
            continue;
        }
        for (const auto& [sentence, span] : heard->complete)
            if (sentence <= accepted) accept(sentence, span);
        anchor = std::max(anchor + 1, msToSamples(spans_[static_cast<size_t>(accepted)]->endMs));
        next = accepted + 1;
        window = kWindowMs;
        if (lengthGuess > 0) report(static_cast<int>(95.0 * samplesToMs(anchor) / lengthGuess));
    }
    audio_->fillAll();
    if (reader->error()) return failure(*reader->error(), cancelled());
    const analysis::Envelope envelope = audio_->finish();
    if (envelope.rms.empty()) return failure("the media holds no audio");
    const int32_t length = lengthOf(*reader, envelope);
    dropImplausible();

    analysis::PauseParams params;
    params.minPauseMs = options_.minPauseMs;
    const std::vector<analysis::Pause> pauses = analysis::findPauses(envelope, params);
    const Blocks blocks = blocksFromSpans(envelope, pauses, spans_, length, 400, kMaxBlocks);
    Result r = resultOf(script_, blocks, false);
    report(100);
    return r;
}

namespace {

Result alignByLengths(const std::string& mediaPath, const std::vector<Sentence>& script, const Options& options,
                      const Progress& progress, const std::atomic<bool>* cancel) {
    std::string error;
    auto reader = AudioReader::open(mediaPath, cancel, error);
    const bool stopped = cancel && cancel->load();
    if (!reader) return failure(stopped ? "cancelled" : error, stopped);
    AudioBuffer audio(*reader);
    int reported = -1;
    while (!audio.ended()) {
        audio.fill(audio.end() + msToSamples(10'000));
        audio.drop(audio.end());
        const int percent = static_cast<int>(95 * reader->fractionRead());
        if (progress && percent > reported) progress(reported = percent);
    }
    if (cancel && cancel->load()) return failure("cancelled", true);
    if (reader->error()) return failure(*reader->error());
    const analysis::Envelope envelope = audio.finish();
    if (envelope.rms.empty()) return failure("the media holds no audio");
    analysis::PauseParams params;
    params.minPauseMs = options.minPauseMs;
    std::vector<double> weights;
    for (const Sentence& s : script) weights.push_back(weightOf(s.text));
    const Blocks blocks = blocksFromLengths(analysis::findPauses(envelope, params), weights, lengthOf(*reader, envelope));
    Result r = resultOf(script, blocks, true);
    if (progress) progress(100);
    return r;
}

}  // namespace

Result alignScript(const std::string& mediaPath, const std::vector<Sentence>& script, const Options& options,
                   const Progress& progress, const std::atomic<bool>* cancel) {
    if (script.empty()) return failure("the script holds no sentences");
    if (script.size() > static_cast<size_t>(kMaxBlocks))
        return failure("the script holds " + std::to_string(script.size()) + " sentences; a lesson has at most " +
                       std::to_string(kMaxBlocks) + " blocks");
    const bool bySpeech = options.method == Method::Speech ||
                          (options.method == Method::Automatic && looksEnglish(script));
    if (!bySpeech) return alignByLengths(mediaPath, script, options, progress, cancel);
    SpeechAligner aligner(script, options, progress, cancel);
    return aligner.run(mediaPath);
}

}  // namespace qm::align
