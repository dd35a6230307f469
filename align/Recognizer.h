#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// pocketsphinx, kept to what alignment needs: a decoder of the US English
// acoustic model that follows a grammar built from the script, and the times
// of the words it heard. Plain C++. One decoder per alignment; decoders in
// different threads do not share state (the library's log is silenced once,
// and dither is our own, since the library's shares one random generator).
namespace qm::align {

// A grammar as a graph: states joined by arcs that say a word, or nothing.
// State 0 is the start; final is where the audio must end.
struct Grammar {
    struct Arc {
        int from = 0;
        int to = 0;
        int word = -1;        // an index into words, or -1 for an arc that says nothing
        double prob = 1.0;    // the arc's probability, (0, 1]
    };
    int states = 1;
    int final = 0;
    std::vector<std::string> words;  // dictionary names, as added with addWord
    std::vector<Arc> arcs;
    // States where anything may be said (speech the script does not hold),
    // at a price per phone.
    std::vector<int> garbageStates;

    int newState() { return states++; }
};

// One word the decoder placed, in 10 ms frames from the start of the audio it got.
struct HeardWord {
    std::string word;  // the grammar's word, "<sil>" for silence, "" for the other fillers and garbage
    int firstFrame = 0;
    int lastFrame = 0;  // inclusive
};

class Recognizer {
public:
    enum class Width { Normal, Wide };

    // A decoder for the acoustic model in hmmDir. Nothing when the model
    // cannot be loaded; error says why.
    static std::unique_ptr<Recognizer> create(const std::string& hmmDir, Width width, std::string& error);
    ~Recognizer();
    Recognizer(const Recognizer&) = delete;
    Recognizer& operator=(const Recognizer&) = delete;

    // Adds a word with its pronunciations (phones such as "HH AH L OW"); a
    // word already there is left as it is. False when no pronunciation could
    // be taken (a phone the model lacks).
    bool addWord(const std::string& name, const std::vector<std::string>& pronunciations);
    bool hasWord(const std::string& name) const;

    // Decodes samples (16 kHz mono) as one utterance through grammar. The
    // words of the best path that ends in the final state, in order; nothing
    // when no path reaches it (pruned away) or on cancel.
    std::optional<std::vector<HeardWord>> decode(const int16_t* samples, size_t count, const Grammar& grammar,
                                                 const std::atomic<bool>* cancel);

    // The price of one phone of garbage, and of a silence.
    static constexpr double kGarbagePhoneProb = 1e-15;
    static constexpr double kSilenceProb = 0.1;

private:
    struct State;
    explicit Recognizer(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

}  // namespace qm::align
