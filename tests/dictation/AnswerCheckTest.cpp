// The dictation check on worked examples whose diffs were made by hand.
#include "dictation/AnswerCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qm::dictation;
using Marked = std::vector<MarkedToken>;

std::vector<std::string> keys(std::string_view text) {
    std::vector<std::string> k;
    for (const auto& t : tokenize(text)) k.push_back(t.key);
    return k;
}

TEST(AnswerCheckExample, English) {
    const std::string reference = "The quick brown fox jumps over the lazy dog.";
    const std::string answer = "the quick brown fox jumped over lazy old dog";
    const CheckResult r = checkAnswer(reference, answer);
    // Offsets:    The 0 quick 4 brown 10 fox 16 jumps 20 over 26 the 31 lazy 35 dog 40
    // in answer:  the 0 quick 4 brown 10 fox 16 jumped 20 over 27 lazy 32 old 37 dog 41
    const Marked expected = {
        {Mark::Correct, "The", "the", 0, 0},
        {Mark::Correct, "quick", "quick", 4, 4},
        {Mark::Correct, "brown", "brown", 10, 10},
        {Mark::Correct, "fox", "fox", 16, 16},
        {Mark::Wrong, "jumps", "jumped", 20, 20},
        {Mark::Correct, "over", "over", 26, 27},
        {Mark::Missing, "the", "", 31, 32},  // would stand before "lazy" in the answer
        {Mark::Correct, "lazy", "lazy", 35, 32},
        {Mark::Extra, "", "old", 40, 37},    // would stand before "dog" in the reference
        {Mark::Correct, "dog", "dog", 40, 41},
    };
    EXPECT_EQ(r.tokens, expected);
    EXPECT_EQ(r.correct, 7);
    EXPECT_EQ(r.wrong, 1);
    EXPECT_EQ(r.missing, 1);
    EXPECT_EQ(r.extra, 1);
    EXPECT_EQ(r.score, 70);  // 7 / (9 reference + 1 extra)
}

TEST(AnswerCheckExample, Japanese) {
    // Kana and kanji character by character; the reading marks 、。 are not compared.
    const std::string reference = "私は毎朝、コーヒーを飲みます。";
    const std::string answer = "私は毎朝コーヒを飲みました";
    const CheckResult r = checkAnswer(reference, answer);
    // Three bytes a character. Reference: 私0 は3 毎6 朝9 、12 コ15 ー18 ヒ21 ー24 を27 飲30 み33 ま36 す39 。42
    // Answer: 私0 は3 毎6 朝9 コ12 ー15 ヒ18 を21 飲24 み27 ま30 し33 た36
    const Marked expected = {
        {Mark::Correct, "私", "私", 0, 0},
        {Mark::Correct, "は", "は", 3, 3},
        {Mark::Correct, "毎", "毎", 6, 6},
        {Mark::Correct, "朝", "朝", 9, 9},
        {Mark::Correct, "コ", "コ", 15, 12},
        {Mark::Correct, "ー", "ー", 18, 15},
        {Mark::Correct, "ヒ", "ヒ", 21, 18},
        {Mark::Missing, "ー", "", 24, 21},
        {Mark::Correct, "を", "を", 27, 21},
        {Mark::Correct, "飲", "飲", 30, 24},
        {Mark::Correct, "み", "み", 33, 27},
        {Mark::Correct, "ま", "ま", 36, 30},
        {Mark::Wrong, "す", "し", 39, 33},
        {Mark::Extra, "", "た", 45, 36},  // at the reference's end
    };
    EXPECT_EQ(r.tokens, expected);
    EXPECT_EQ(r.correct, 11);
    EXPECT_EQ(r.score, 78);  // 11 / (13 reference + 1 extra) = 78.6, rounded down
}

TEST(AnswerTokens, CasePunctuationApostrophesAndMixedScripts) {
    EXPECT_EQ(keys("Don't STOP -- \"now\", O'Brien!"), (std::vector<std::string>{"dont", "stop", "now", "obrien"}));
    // Keys are decomposed: で compares as て + U+3099.
    EXPECT_EQ(keys("私はJohnです。2024年"),
              (std::vector<std::string>{"私", "は", "john", "て\u3099", "す", "2024", "年"}));
    EXPECT_EQ(tokenize("私はJohnです").at(3).text, "で");
    EXPECT_EQ(keys("well-known e.g. 3.14"), (std::vector<std::string>{"well", "known", "e", "g", "3", "14"}));
    EXPECT_TRUE(keys("  ...!?、。「」 ").empty());
    const auto t = tokenize("«Déjà vu», he said");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].text, "Déjà");
    EXPECT_EQ(t[0].offset, 2u);  // after the two bytes of «
}

TEST(AnswerTokens, WidthFormsAccentsAndCombiningMarksCompareAsTheSameLetter) {
    // Full-width letters, digits, punctuation and the ideographic space.
    EXPECT_EQ(checkAnswer("ＨＥＬＬＯ，　Ｗｏｒｌｄ ２０２４！", "hello world 2024").score, 100);
    // Half-width katakana with its separate voicing mark.
    EXPECT_EQ(checkAnswer("コーヒーとガム", "ｺｰﾋｰとｶﾞﾑ").score, 100);
    // Precomposed against combining, in both letter cases.
    EXPECT_EQ(checkAnswer("Café ÉTÉ", "cafe\u0301 e\u0301te\u0301").score, 100);
    EXPECT_EQ(checkAnswer("が", "か\u3099").score, 100);
    EXPECT_EQ(checkAnswer("ΟΔΟΣ Москва", "οδος москва").score, 100);
    // Accents themselves count.
    const CheckResult accents = checkAnswer("café", "cafe");
    EXPECT_EQ(accents.wrong, 1);
    EXPECT_EQ(accents.score, 0);
    // Hiragana and katakana are different writing.
    EXPECT_EQ(checkAnswer("かな", "カナ").wrong, 2);
}

TEST(AnswerScore, EmptySidesAndTheExtraPenalty) {
    const CheckResult nothing = checkAnswer("", "  ");
    EXPECT_TRUE(nothing.tokens.empty());
    EXPECT_EQ(nothing.score, 100);

    const CheckResult blank = checkAnswer("two words", "");
    EXPECT_EQ(blank.tokens, (Marked{{Mark::Missing, "two", "", 0, 0}, {Mark::Missing, "words", "", 4, 0}}));
    EXPECT_EQ(blank.score, 0);

    const CheckResult unasked = checkAnswer("", "hi");
    EXPECT_EQ(unasked.tokens, (Marked{{Mark::Extra, "", "hi", 0, 0}}));
    EXPECT_EQ(unasked.score, 0);

    // Every reference word there, and as many more: half the score.
    EXPECT_EQ(checkAnswer("a b", "x a y b").score, 50);
    // Two reference words replaced by one: a wrong pair, then the missing one.
    EXPECT_EQ(checkAnswer("see you later", "see ya").tokens,
              (Marked{{Mark::Correct, "see", "see", 0, 0},
                      {Mark::Wrong, "you", "ya", 4, 4},
                      {Mark::Missing, "later", "", 8, 6}}));
}

TEST(AnswerScore, PastTheComparedLengthTokensCountMissingThenExtra) {
    std::string text;
    for (size_t i = 0; i < kMaxComparedTokens + 5; ++i) text += "w" + std::to_string(i) + " ";
    const CheckResult r = checkAnswer(text, text);
    EXPECT_EQ(r.correct, static_cast<int>(kMaxComparedTokens));
    EXPECT_EQ(r.missing, 5);
    EXPECT_EQ(r.extra, 5);
    EXPECT_EQ(r.tokens.at(kMaxComparedTokens).mark, Mark::Missing);
    EXPECT_EQ(r.tokens.at(kMaxComparedTokens).reference, "w1000");
    EXPECT_EQ(r.tokens.back().mark, Mark::Extra);
    EXPECT_EQ(r.tokens.back().answer, "w1004");
    EXPECT_EQ(r.score, 99);  // 1000 / 1010
}

TEST(AnswerTokens, BrokenUtf8IsReadNotFeared) {
    // A lone continuation byte and a cut-off sequence: each one character.
    const auto t = tokenize("ab\x80" "cd \xE3\x81");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, "ab\x80" "cd");
    EXPECT_EQ(t[1].text, "\xE3\x81");
    EXPECT_EQ(checkAnswer("ab\x80" "cd", "ab\x80" "cd").score, 100);
}

}  // namespace
