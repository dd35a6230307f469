#include "align/Recognizer.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <sphinxbase/fsg_model.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <sstream>

namespace qm::align {

namespace {

// The phones of the model, each a word of its own for the garbage loop.
constexpr const char* kPhones[] = {"AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D",  "DH", "EH", "ER", "EY",
                                   "F",  "G",  "HH", "IH", "IY", "JH", "K",  "L",  "M",  "N",  "NG", "OW", "OY",
                                   "P",  "R",  "S",  "SH", "T",  "TH", "UH", "UW", "V",  "W",  "Y",  "Z",  "ZH"};
constexpr char kGarbagePrefix[] = "+garbage+";

// The library logs through one stream of the whole process. Turned off once
// (and never through -logfn, which opens and closes a shared stream at every
// decoder's start, under the feet of another thread's decoder).
std::once_flag quietOnce;

struct DecoderFree {
    void operator()(ps_decoder_t* p) const { ps_free(p); }
};
struct ConfigFree {
    void operator()(cmd_ln_t* p) const { cmd_ln_free_r(p); }
};

// The beams: how far below the best path a path may fall and live. Wide is for
// a second try where the normal ones lost every path.
struct Beams {
    const char* beam;
    const char* wbeam;
    const char* pbeam;
};
constexpr Beams kNormal{"1e-80", "1e-60", "1e-80"};
constexpr Beams kWide{"1e-120", "1e-90", "1e-120"};

}  // namespace

struct Recognizer::State {
    std::unique_ptr<cmd_ln_t, ConfigFree> config;
    std::unique_ptr<ps_decoder_t, DecoderFree> decoder;
    std::set<std::string> words;
    uint32_t ditherState = 12345;
    int grammars = 0;

    // Dither of our own (-1, 0 or +1 added, a fixed sequence): digital
    // silence gives the recogniser no energy to work with, and the library's
    // dither draws from a random generator shared by the whole process.
    void dither(std::vector<int16_t>& s) {
        for (int16_t& x : s) {
            ditherState = ditherState * 1664525u + 1013904223u;
            const int d = static_cast<int>(ditherState >> 30) % 3 - 1;
            x = static_cast<int16_t>(std::clamp(static_cast<int>(x) + d, -32768, 32767));
        }
    }
};

Recognizer::Recognizer(std::unique_ptr<State> state) : s_(std::move(state)) {}
Recognizer::~Recognizer() = default;

std::unique_ptr<Recognizer> Recognizer::create(const std::string& hmmDir, Width width, std::string& error) {
    std::call_once(quietOnce, [] { err_set_logfp(nullptr); });
    const Beams& b = width == Width::Wide ? kWide : kNormal;
    auto state = std::make_unique<State>();
    // The dictionary starts empty: the script's words are added one by one,
    // which is far quicker than loading 130 000 words for a few hundred.
    state->config.reset(cmd_ln_init(nullptr, ps_args(), TRUE,
                                    "-hmm", hmmDir.c_str(),
                                    "-dict", "/dev/null",
                                    "-remove_silence", "no",  // dropped silence shifts every later time
                                    "-dither", "no",          // our own, see State::dither
                                    "-bestpath", "no",
                                    "-beam", b.beam, "-wbeam", b.wbeam, "-pbeam", b.pbeam,
                                    nullptr));
    if (!state->config) {
        error = "the speech recogniser's settings were refused";
        return nullptr;
    }
    state->decoder.reset(ps_init(state->config.get()));
    if (!state->decoder) {
        error = "the speech model in " + hmmDir + " cannot be loaded (is pocketsphinx-en-us installed?)";
        return nullptr;
    }
    auto r = std::unique_ptr<Recognizer>(new Recognizer(std::move(state)));
    for (const char* phone : kPhones) {
        if (!r->addWord(std::string(kGarbagePrefix) + phone, {phone})) {
            error = "the speech model in " + hmmDir + " lacks the phone " + phone;
            return nullptr;
        }
    }
    return r;
}

bool Recognizer::hasWord(const std::string& name) const { return s_->words.count(name) > 0; }

bool Recognizer::addWord(const std::string& name, const std::vector<std::string>& pronunciations) {
    if (hasWord(name)) return true;
    int added = 0;
    for (const std::string& phones : pronunciations) {
        // Variants are "name(2)", "name(3)": the search tries them all.
        const std::string entry = added == 0 ? name : name + "(" + std::to_string(added + 1) + ")";
        if (ps_add_word(s_->decoder.get(), entry.c_str(), phones.c_str(), FALSE) >= 0) ++added;
    }
    if (added == 0) return false;
    s_->words.insert(name);
    return true;
}

std::optional<std::vector<HeardWord>> Recognizer::decode(const int16_t* samples, size_t count,
                                                         const Grammar& grammar, const std::atomic<bool>* cancel) {
    ps_decoder_t* ps = s_->decoder.get();
    logmath_t* lmath = ps_get_logmath(ps);
    const std::string name = "g" + std::to_string(s_->grammars++);
    fsg_model_t* fsg = fsg_model_init(name.c_str(), lmath, 1.0f, grammar.states);
    if (fsg == nullptr) return std::nullopt;
    fsg->start_state = 0;
    fsg->final_state = grammar.final;
    std::vector<int> wordIds;
    wordIds.reserve(grammar.words.size());
    for (const std::string& w : grammar.words) wordIds.push_back(fsg_model_word_add(fsg, w.c_str()));
    for (const Grammar::Arc& a : grammar.arcs) {
        const int32 logp = logmath_log(lmath, a.prob);
        if (a.word < 0) {
            fsg_model_null_trans_add(fsg, a.from, a.to, logp);
        } else {
            fsg_model_trans_add(fsg, a.from, a.to, logp, wordIds[static_cast<size_t>(a.word)]);
        }
    }
    const int32 garbageLogp = logmath_log(lmath, kGarbagePhoneProb);
    for (int state : grammar.garbageStates) {
        for (const char* phone : kPhones) {
            const int id = fsg_model_word_add(fsg, (std::string(kGarbagePrefix) + phone).c_str());
            fsg_model_trans_add(fsg, state, state, garbageLogp, id);
        }
    }
    fsg_model_add_silence(fsg, "<sil>", -1, static_cast<float32>(kSilenceProb));
    // The search keeps a reference of its own to the grammar: ours goes now.
    const int set = ps_set_fsg(ps, name.c_str(), fsg);
    fsg_model_free(fsg);
    if (set < 0) return std::nullopt;
    if (ps_set_search(ps, name.c_str()) < 0) return std::nullopt;

    std::vector<int16_t> audio(samples, samples + count);
    s_->dither(audio);
    if (ps_start_utt(ps) < 0) return std::nullopt;
    // One call: the whole window is one utterance, so its cepstral mean is its own.
    const int processed = ps_process_raw(ps, audio.data(), audio.size(), FALSE, TRUE);
    const int ended = ps_end_utt(ps);
    std::optional<std::vector<HeardWord>> heard;
    if (processed >= 0 && ended >= 0 && !(cancel && cancel->load())) {
        int32 score = 0;
        if (ps_get_hyp(ps, &score) != nullptr) {
            heard.emplace();
            for (ps_seg_t* seg = ps_seg_iter(ps); seg != nullptr; seg = ps_seg_next(seg)) {
                HeardWord w;
                const char* text = ps_seg_word(seg);
                ps_seg_frames(seg, &w.firstFrame, &w.lastFrame);
                const std::string_view t = text ? text : "";
                if (t == "<sil>") {
                    w.word = "<sil>";
                } else if (!t.empty() && t.front() != '[' && t.front() != '(' && t.front() != '<' &&
                           t.substr(0, sizeof kGarbagePrefix - 1) != kGarbagePrefix) {
                    w.word = std::string(t.substr(0, t.find('(')));
                }
                heard->push_back(std::move(w));
            }
        }
    }
    ps_unset_search(ps, name.c_str());
    return heard;
}

}  // namespace qm::align
