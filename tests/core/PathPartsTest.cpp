#include "core/PathParts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileNamePart, TakesTheTextAfterTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(qm::fileNamePart("/home/u/lesson.mp3"), "lesson.mp3");
    EXPECT_EQ(qm::fileNamePart("C:\\lessons\\a.bsd"), "a.bsd");
    EXPECT_EQ(qm::fileNamePart("C:\\mixed/dir\\x.wma"), "x.wma");
    EXPECT_EQ(qm::fileNamePart("http://host/path/talk.ram"), "talk.ram");
    EXPECT_EQ(qm::fileNamePart("plain"), "plain");
    EXPECT_EQ(qm::fileNamePart("/ends/in/"), "");
    EXPECT_EQ(qm::fileNamePart(""), "");
}

TEST(FileNamePart, KeepsJapaneseNamesWhole) {
    EXPECT_EQ(qm::fileNamePart("/レッスン/表ソ十.mp3"), "表ソ十.mp3");
}

TEST(ExtensionPart, SearchesTheWholeStringForTheLastDot) {
    EXPECT_EQ(qm::extensionPart("lesson.mp3"), ".mp3");
    EXPECT_EQ(qm::extensionPart("lesson.tar.mp3"), ".mp3");
    EXPECT_EQ(qm::extensionPart("C:\\my.docs\\lesson"), ".docs\\lesson");
    EXPECT_EQ(qm::extensionPart("http://example.org/talk"), ".org/talk");
    EXPECT_EQ(qm::extensionPart("ends."), ".");
    EXPECT_EQ(qm::extensionPart("none"), "");
    EXPECT_EQ(qm::extensionPart(""), "");
}

TEST(PathParts, CutsAt255BytesWithoutSplittingACharacter) {
    // 100 three-byte characters: 300 bytes, so the cut falls inside one.
    std::string name;
    for (int i = 0; i < 100; ++i) name += "表";
    const auto cut = qm::fileNamePart("/d/" + name);
    EXPECT_EQ(cut.size(), 255u);
    EXPECT_EQ(cut, name.substr(0, 255));

    const auto ext = qm::extensionPart("x." + std::string(254, 'a') + "表");
    EXPECT_EQ(ext.size(), 255u);  // "." + 254 'a', the character left out whole
    EXPECT_EQ(ext.back(), 'a');

    const std::string two = "a" + std::string("表");  // 4 bytes
    EXPECT_EQ(qm::cutUtf8(two, 2), "a");
    EXPECT_EQ(qm::cutUtf8(two, 4), two);
}

}  // namespace

namespace {

TEST(SettingsFolderPart, DropsTheFinalSeparatorButKeepsRoots) {
    EXPECT_EQ(qm::settingsFolderPart("/home/u/lessons/a.bsd"), "/home/u/lessons");
    EXPECT_EQ(qm::settingsFolderPart("/a.bsd"), "/");
    EXPECT_EQ(qm::settingsFolderPart("C:\\lessons\\a.bsd"), "C:\\lessons");
    EXPECT_EQ(qm::settingsFolderPart("C:\\a.bsd"), "C:\\");
    EXPECT_EQ(qm::settingsFolderPart("C:a.bsd"), "C:");
    EXPECT_EQ(qm::settingsFolderPart("\\\\server\\a.bsd"), "\\\\server");
    EXPECT_EQ(qm::settingsFolderPart("a.bsd"), "");
    EXPECT_EQ(qm::settingsFolderPart(""), "");
}

}  // namespace
