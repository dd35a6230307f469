// The text side of alignment: a script split into sentences, the sentences as
// they are spoken, words the dictionary lacks, and blocks from where the
// sentences were heard.
#include "align/Align.h"
#include "align/Lexicon.h"
#include "align/Placement.h"
#include "align/SpokenForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using qm::align::Sentence;
using qm::align::splitScript;

std::vector<std::string> texts(const std::vector<Sentence>& s) {
    std::vector<std::string> out;
    for (const Sentence& x : s) out.push_back(x.text);
    return out;
}

std::vector<int> lines(const std::vector<Sentence>& s) {
    std::vector<int> out;
    for (const Sentence& x : s) out.push_back(x.line);
    return out;
}

TEST(AlignScript, SentencesEndAtTheirMarksButNotAtAbbreviationsInitialsOrDecimals) {
    const std::string script =
        "  Mr. Smith met Dr. Jones at 9 a.m. on Monday.\r\n"
        "\r\n"
        "It costs $3.50, e.g. for a coffee. \"Really?\" she asked!\n"
        "J. K. Rowling lives in the U.S. now. Is that so?\n"
        "Good morning\n"
        "   \n"
        "Wait... what happened?\n"
        "きょうはいいてんきです。あしたはあめですか？はい！\n";
    const std::vector<Sentence> s = splitScript(script);
    EXPECT_EQ(texts(s), (std::vector<std::string>{"Mr. Smith met Dr. Jones at 9 a.m. on Monday.",
                                                  "It costs $3.50, e.g. for a coffee.", "\"Really?\"", "she asked!",
                                                  "J. K. Rowling lives in the U.S. now.", "Is that so?", "Good morning",
                                                  "Wait... what happened?", "きょうはいいてんきです。",
                                                  "あしたはあめですか？", "はい！"}));
    EXPECT_EQ(lines(s), (std::vector<int>{1, 3, 3, 3, 4, 4, 5, 7, 8, 8, 8}));

    // The same script as Windows wrote it: CP932 bytes are read as such.
    const std::string cp932 = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x42\n";  // こんにちは。
    EXPECT_EQ(texts(splitScript(cp932)), (std::vector<std::string>{"こんにちは。"}));
    EXPECT_TRUE(splitScript(" \n\t\r\n\n").empty());
}

TEST(AlignScript, RunningTextWrappedByHandIsSplitAtSentenceEndsOnly) {
    const std::string script =
        "The quick brown fox jumps over the lazy dog. Mr. Brown\n"
        "forgot his umbrella on Monday. The museum is closed on\n"
        "Mondays and public holidays.\n"
        "\n"
        "A new paragraph\n"
        "starts here. It ends here.\n";
    const std::vector<Sentence> s = splitScript(script);
    EXPECT_EQ(texts(s), (std::vector<std::string>{"The quick brown fox jumps over the lazy dog.",
                                                  "Mr. Brown forgot his umbrella on Monday.",
                                                  "The museum is closed on Mondays and public holidays.",
                                                  "A new paragraph starts here.", "It ends here."}));
    EXPECT_EQ(lines(s), (std::vector<int>{1, 1, 2, 5, 6}));
}

// The first reading of each token, words joined by blanks, tokens by " | ".
std::string spoken(const std::string& sentence) {
    std::string out;
    for (const auto& t : qm::align::spokenForm(sentence)) {
        if (!out.empty()) out += " | ";
        std::string words;
        for (const std::string& w : t.readings.front()) words += (words.empty() ? "" : " ") + w;
        out += words;
    }
    return out;
}

// Whether some reading of the token for `written` is `words`.
bool canBeRead(const std::string& written, const std::string& words) {
    for (const auto& t : qm::align::spokenForm(written)) {
        for (const auto& r : t.readings) {
            std::string joined;
            for (const std::string& w : r) joined += (joined.empty() ? "" : " ") + w;
            if (joined == words) return true;
        }
    }
    return false;
}

TEST(AlignSpokenForm, NumbersTimesMoneyAndAbbreviationsAreWrittenOutAsSpoken) {
    EXPECT_EQ(spoken("Mr. Brown's 7 cats."), "mister | brown's | seven | cats");
    EXPECT_EQ(spoken("In 1999, Dr. Lee left at 9:30."), "in | nineteen ninety nine | doctor | lee | left | at | nine thirty");
    EXPECT_EQ(spoken("It costs $12 (e.g. lunch)."), "it | costs | twelve dollars | for example | lunch");
    EXPECT_EQ(spoken("About 50% passed the 21st test, i.e. most."),
              "about | fifty percent | passed | the | twenty first | test | that is | most");
    EXPECT_EQ(spoken("“Café” & tea—at 9:05 p.m.!"), "cafe | and | tea | at | nine oh five | p m");
    EXPECT_EQ(spoken("1,250 people in the 1990s paid £3.50 for 3.5 kg"),
              "one thousand two hundred fifty | people | in | the | nineteen nineties | paid | "
              "three pounds and fifty pence | for | three point five | kg");
    EXPECT_EQ(spoken("Call 007 at 10am"), "call | oh oh seven | at | ten a m");
    EXPECT_EQ(spoken("♪ ♪"), "");
    // Other readings stand beside the first.
    EXPECT_TRUE(canBeRead("1999", "one thousand nine hundred ninety nine"));
    EXPECT_TRUE(canBeRead("105", "one hundred and five"));
    EXPECT_TRUE(canBeRead("9:00", "nine o'clock"));
    EXPECT_TRUE(canBeRead("9:00", "nine"));
    EXPECT_TRUE(canBeRead("14:30", "two thirty"));
    EXPECT_TRUE(canBeRead("$12.50", "twelve fifty"));
    EXPECT_TRUE(canBeRead("St.", "street"));
    EXPECT_EQ(qm::align::cardinalWords(2'000'017), (std::vector<std::string>{"two", "million", "seventeen"}));
}

TEST(AlignLexicon, AWordOutsideTheDictionaryGetsAPronunciationInTheModelsPhones) {
    const std::string dict = std::string(qm::align::kDefaultModelDir) + "/cmudict-en-us.dict";
    std::string error;
    const auto lex = qm::align::Lexicon::load(dict, {"zyxlorbane", "bbc", "dog"}, {{"bbc", "BBC"}}, error);
    ASSERT_TRUE(lex) << error;
    const std::set<std::string> phones = {"AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D",  "DH",
                                          "EH", "ER", "EY", "F",  "G",  "HH", "IH", "IY", "JH", "K",
                                          "L",  "M",  "N",  "NG", "OW", "OY", "P",  "R",  "S",  "SH",
                                          "T",  "TH", "UH", "UW", "V",  "W",  "Y",  "Z",  "ZH"};
    const auto& made = lex->pronunciations("zyxlorbane");
    ASSERT_EQ(made.size(), 1u);
    std::istringstream in(made.front());
    int count = 0;
    for (std::string p; in >> p; ++count) EXPECT_TRUE(phones.count(p)) << p << " in " << made.front();
    EXPECT_GE(count, 6) << made.front();
    EXPECT_EQ(made.front().substr(0, 4), "Z IH") << made.front();
    EXPECT_EQ(lex->pronunciations("dog").front(), "D AO G");
    EXPECT_EQ(lex->guessedWords(), (std::vector<std::string>{"zyxlorbane"}));
    // espeak-ng's own names, stress marks off.
    EXPECT_EQ(qm::align::Lexicon::mapEspeakPhonemes("d|'a|S|w|U|d"), "D AE SH W UH D");
    EXPECT_EQ(qm::align::Lexicon::mapEspeakPhonemes("tS|'3:|tS n|,i@3"), "CH ER CH N IH R");

    EXPECT_FALSE(qm::align::Lexicon::load("/nonexistent/cmudict.dict", {"dog"}, {}, error));
    EXPECT_NE(error.find("/nonexistent/cmudict.dict"), std::string::npos) << error;
}

// An envelope of stretches of (ms, rms), 10 ms frames.
qm::analysis::Envelope envelopeOf(const std::vector<std::pair<int, float>>& stretches) {
    qm::analysis::Envelope e;
    for (const auto& [ms, rms] : stretches) {
        for (int t = 0; t < ms; t += 10) e.rms.push_back(rms);
        e.durationMs += ms;
    }
    return e;
}

TEST(AlignPlacement, CutsFallInThePausesEvenWhereTheRecogniserStraysIntoTheNextSentence) {
    // Speech: [500, 2500) lead-in, [3000, 5000), [5600, 7000) and [7400, 9000) sentences.
    const auto e = envelopeOf({{500, 0.0f}, {2000, 0.2f}, {500, 0.0f}, {2000, 0.2f}, {600, 0.0f},
                               {1400, 0.2f}, {400, 0.0f}, {1600, 0.2f}, {1000, 0.0f}});
    const auto pauses = qm::analysis::findPauses(e);
    using Span = qm::align::Span;
    // The recogniser's edges stray: the first sentence ends 145 ms into the
    // next one's speech, where the next begins; the third was not heard.
    const std::vector<std::optional<Span>> spans = {Span{2950, 5750}, Span{5750, 7000}, std::nullopt,
                                                    Span{7450, 9000}};
    const auto b = qm::align::blocksFromSpans(e, pauses, spans, 10000);
    EXPECT_EQ(b.separators, (std::vector<int32_t>{0, 2750, 5300, 7200, 10000}));
    EXPECT_EQ(b.sentences, (std::vector<std::vector<int>>{{}, {0}, {1}, {3}}));

    // A breath of 200 ms between sentences is no block of its own; two
    // sentences with no pause between them part at the quietest frame.
    const auto e2 = envelopeOf({{2000, 0.2f}, {500, 0.0f}, {200, 0.1f}, {500, 0.0f}, {1000, 0.2f},
                                {30, 0.05f}, {970, 0.2f}, {800, 0.0f}});
    const std::vector<std::optional<Span>> spans2 = {Span{0, 2000}, Span{3200, 4200}, Span{4230, 5200}};
    const auto b2 = qm::align::blocksFromSpans(e2, qm::analysis::findPauses(e2), spans2, 6000);
    EXPECT_EQ(b2.separators, (std::vector<int32_t>{0, 2950, 4205, 6000}));
    EXPECT_EQ(b2.sentences, (std::vector<std::vector<int>>{{0}, {1}, {2}}));
}

TEST(AlignPlacement, LengthsChooseThePausesThatMatchEachSentencesShare) {
    // Speech 1000, 400 | 1500 | 600, 1000 ms, the long pauses between sentences.
    const auto e = envelopeOf({{300, 0.0f}, {1000, 0.2f}, {350, 0.0f}, {400, 0.2f}, {900, 0.0f}, {1500, 0.2f},
                               {1000, 0.0f}, {600, 0.2f}, {320, 0.0f}, {1000, 0.2f}, {500, 0.0f}});
    const auto pauses = qm::analysis::findPauses(e);
    const auto b = qm::align::blocksFromLengths(pauses, {14, 15, 16}, 7870);
    EXPECT_EQ(b.separators, (std::vector<int32_t>{0, 2500, 4950, 7870}));
    EXPECT_EQ(b.sentences, (std::vector<std::vector<int>>{{0}, {1}, {2}}));
    // Fewer stretches than sentences: they share blocks.
    const auto few = qm::align::blocksFromLengths(pauses, {10, 4, 15, 6, 10, 3, 2}, 7870);
    EXPECT_EQ(few.separators.size(), 6u);
    std::vector<int> all;
    for (const auto& held : few.sentences) all.insert(all.end(), held.begin(), held.end());
    EXPECT_EQ(all, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

}  // namespace
