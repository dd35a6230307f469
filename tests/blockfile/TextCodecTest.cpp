#include "text/TextCodec.h"

#include "tests/blockfile/ReferenceEncoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
namespace text = qm::text;

TEST(IsValidUtf8, AcceptsWellFormedTextUpToTheLastCodePoint) {
    EXPECT_TRUE(text::isValidUtf8(""));
    EXPECT_TRUE(text::isValidUtf8("plain ascii\r\n"));
    EXPECT_TRUE(text::isValidUtf8("日本語 表ソ十"));
    EXPECT_TRUE(text::isValidUtf8("\xC2\x80"));          // U+0080, the first two-byte one
    EXPECT_TRUE(text::isValidUtf8("\xE0\xA0\x80"));      // U+0800
    EXPECT_TRUE(text::isValidUtf8("\xED\x9F\xBF"));      // U+D7FF, just below the surrogates
    EXPECT_TRUE(text::isValidUtf8("\xF0\x9F\x98\x80"));  // an emoji
    EXPECT_TRUE(text::isValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
}

TEST(IsValidUtf8, RejectsOverlongsSurrogatesAndBrokenSequences) {
    EXPECT_FALSE(text::isValidUtf8("\xC0\xAF"));              // overlong "/"
    EXPECT_FALSE(text::isValidUtf8("\xC1\xBF"));
    EXPECT_FALSE(text::isValidUtf8("\xE0\x9F\xBF"));          // overlong, three bytes
    EXPECT_FALSE(text::isValidUtf8("\xF0\x8F\xBF\xBF"));      // overlong, four bytes
    EXPECT_FALSE(text::isValidUtf8("\xED\xA0\x80"));          // U+D800
    EXPECT_FALSE(text::isValidUtf8("\xED\xBF\xBF"));          // U+DFFF
    EXPECT_FALSE(text::isValidUtf8("\xF4\x90\x80\x80"));      // past U+10FFFF
    EXPECT_FALSE(text::isValidUtf8("\xF5\x80\x80\x80"));
    EXPECT_FALSE(text::isValidUtf8("a\x80"));                 // lone continuation byte
    EXPECT_FALSE(text::isValidUtf8("\xE6\x97"));              // cut off at the end
    EXPECT_FALSE(text::isValidUtf8("\xE6\x97" "a"));          // continuation missing
    EXPECT_FALSE(text::isValidUtf8("\x93\xfa\x96\x7b"));      // CP932 日本
}

TEST(Decode, ValidUtf8PassesAndOnlyALeadingBomIsDropped) {
    EXPECT_EQ(text::decode("日本語"), "日本語");
    EXPECT_EQ(text::decode("\xEF\xBB\xBF" "abc"), "abc");
    EXPECT_EQ(text::decode("a\xEF\xBB\xBF" "b"), "a\xEF\xBB\xBF" "b");
    EXPECT_EQ(text::decode(""), "");
}

TEST(Decode, Cp932BytesBecomeUtf8IncludingBackslashSecondBytes) {
    EXPECT_EQ(text::decode("\x93\xfa\x96\x7b\x8c\xea"), "日本語");
    // 表, ソ and 十 end in 0x5C, the byte of "\".
    EXPECT_EQ(text::decode("C:\\\x95\x5c\\\x83\x5c\x8f\x5c.mp3"), "C:\\表\\ソ十.mp3");
    EXPECT_EQ(text::decode("\xb1\xb2"), "ｱｲ");  // half-width katakana
}

TEST(Decode, BytesThatDoNotConvertBecomeReplacementCharacters) {
    // 0x80 and 0xFF start no CP932 character; a lead byte at the very end has
    // lost its second byte.
    EXPECT_EQ(text::decode("a\x80" "b\xff" "c"), "a\uFFFDb\uFFFDc");
    EXPECT_EQ(text::decode("\x93\xfa\x95"), "日\uFFFD");
}

TEST(Encode, AsciiIsUnchangedAndJapaneseBecomesCp932) {
    EXPECT_EQ(text::encode("QM4 Block Separate Data\r\n*"), "QM4 Block Separate Data\r\n*");
    EXPECT_EQ(text::encode("日本語"), "\x93\xfa\x96\x7b\x8c\xea");
    EXPECT_EQ(text::encode("C:\\表\\ソ十.mp3"), "C:\\\x95\x5c\\\x83\x5c\x8f\x5c.mp3");
}

TEST(Encode, TextCp932CannotHoldExactlyStaysUtf8) {
    // Not in CP932 at all.
    EXPECT_EQ(text::encode("日本語 \xF0\x9F\x98\x80"), "日本語 \xF0\x9F\x98\x80");
    EXPECT_EQ(text::encode("日本語 €"), "日本語 €");
    // CP932 takes these, but they read back as other characters ("\" and U+FF5E).
    EXPECT_EQ(text::encode("日本 ¥100"), "日本 ¥100");
    EXPECT_EQ(text::encode("10〜20"), "10〜20");
    // ﾃｱ is C3 B1 in CP932, which is valid UTF-8 (ñ): it would read back wrong.
    EXPECT_EQ(text::encode("ﾃｱ"), "ﾃｱ");
}

TEST(Encode, WhatIsWrittenReadsBackAsTheSameText) {
    for (const std::string s : {"練習 メモ", "ｱｲｳ ﾃｽﾄ", "ﾃｱ", "①Ⅰ～", "a¥b", "\xF0\x9F\x98\x80",
                                "\uFEFF/home/u", "\uFEFF\uFEFF日本", "\uFEFF"}) {
        EXPECT_EQ(text::decode(text::encode(s)), s);
    }
}

TEST(Encode, TextStartingWithAByteOrderMarkGetsOneMoreForTheReader) {
    EXPECT_EQ(text::encode("\uFEFF日本"), "\xEF\xBB\xBF\uFEFF日本");
    // Only at the start: U+FEFF inside the text is read as it is.
    EXPECT_EQ(text::encode("a\uFEFF"), "a\uFEFF");
    // Bytes that are no UTF-8 are read as CP932, which drops no mark.
    EXPECT_EQ(text::encode("\xEF\xBB\xBF\xFF"), "\xEF\xBB\xBF\xFF");
}

std::string utf8Of(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | cp >> 6);
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | cp >> 12);
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | cp >> 18);
        s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

// The bytes the encoder wrote before it learnt its fast paths, with the one
// change made since: a byte-order mark before valid text that starts with one.
std::string encodedAsBefore(const std::string& s) {
    const std::string before = text::reference::encode(s);
    return s.starts_with("\uFEFF") && text::isValidUtf8(s) ? "\uFEFF" + before : before;
}

// Every character once on its own (where the encoder first looks it up) and
// then beside others (where it knows it already), against the conversion of
// the whole text.
TEST(EncodeMatchesTheWholeTextConversion, ForEveryCharacterAloneAndBesideJapanese) {
    int differing = 0;
    for (char32_t cp = 0; cp <= 0x10FFFF; cp += cp < 0x10000 ? 1 : 0x3FF) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::string c = utf8Of(cp);
        for (const std::string& s : {c, "日本" + c, c + "a\\~", "ｱ" + c + "ﾃ"}) {
            const std::string want = encodedAsBefore(s);
            if (text::encode(s) != want && ++differing <= 10) ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(cp) << " in \"" << s << "\"";
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(EncodeMatchesTheWholeTextConversion, ForGeneratedText) {
    // Pieces of every kind: ASCII with controls, "\" and "~"; kanji and kana;
    // half-width kana that may pair into valid UTF-8; characters CP932 maps one
    // way only; characters it lacks; bytes that are no UTF-8.
    const std::vector<std::string> pieces = {
        "a", "Z", " ", "\\", "~", "\r\n", "\t", std::string(1, '\0'), "\x7f", "0123",
        "日", "本", "語", "表", "ソ", "十", "、", "。", "ー", "①", "Ⅰ", "～", "α", "Я", "§", "×",
        "ｱ", "ﾃ", "ｲ", "ｿ", "ﾟ",
        "¥", "〜", "‖", "−", "¢", "£", "¬",
        "€", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF", "é", "ñ", "\u00A0",
        "\xC3", "\x80", "\x93\xfa", "\xED\xA0\x80",
    };
    std::mt19937 random(5);
    std::uniform_int_distribution<size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        // Most texts keep to pieces that fit CP932, so that both roads are taken.
        const size_t kinds = round % 3 == 0 ? pieces.size() : 31;
        for (int n = length(random); n > 0; --n) s += pieces[piece(random) % kinds];
        const std::string want = encodedAsBefore(s);
        ASSERT_EQ(text::encode(s), want) << "text: " << s;
    }
}

TEST(SplitLines, EachBreakKindIsOneBreak) {
    EXPECT_EQ(text::splitLines("a\r\nb\nc\rd\n\re"), (Lines{"a", "b", "c", "d", "e"}));
    // Pairs only ever join a CR and an LF once.
    EXPECT_EQ(text::splitLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(text::splitLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(text::splitLines("a\r\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(text::splitLines("a\r\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(text::splitLines("a\n\r\nb"), (Lines{"a", "", "b"}));
}

TEST(SplitLines, AFinalBreakAddsNoLineAndEmptyTextHasNone) {
    EXPECT_EQ(text::splitLines(""), Lines{});
    EXPECT_EQ(text::splitLines("a"), Lines{"a"});
    EXPECT_EQ(text::splitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(text::splitLines("a\n\r"), Lines{"a"});
    EXPECT_EQ(text::splitLines("\r\n"), Lines{""});
    EXPECT_EQ(text::splitLines("a\r\n\r\n"), (Lines{"a", ""}));
}

}  // namespace
