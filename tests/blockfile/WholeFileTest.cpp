#include "files/WholeFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using qm::files::readFileHead;
using qm::files::readWholeFile;
using qm::files::writeWholeFile;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// Everything in dir but the named file: leftovers of a failed write.
std::vector<std::string> othersIn(const fs::path& dir, const std::string& keep) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename() != keep) names.push_back(e.path().filename().string());
    return names;
}

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qm5-wholefile-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        qm::files::setWriteHookForTesting({});
        if (mounted) ::umount(dir.c_str());
        fs::remove_all(dir);
    }
    fs::path dir;
    bool mounted = false;
};

}  // namespace

// A real full disk: a 64 KB tmpfs. Only root may mount one.
TEST_F(WholeFileTest, AFullDiskKeepsTheOldFileWholeAndSaysWhy) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    mounted = true;
    const fs::path file = dir / "lesson.bsd";
    const std::string old = "QM4 Block Separate Data\r\nold\r\n";
    ASSERT_FALSE(writeWholeFile(file.string(), old));

    const std::string big(200 * 1024, 'x');
    const auto e = writeWholeFile(file.string(), big);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->path, file.string());
    EXPECT_EQ(e->reason, std::strerror(ENOSPC));
    EXPECT_EQ(slurp(file), old);
    EXPECT_TRUE(othersIn(dir, "lesson.bsd").empty());

    // What fits is written.
    const std::string fits(16 * 1024, 'y');
    ASSERT_FALSE(writeWholeFile(file.string(), fits));
    EXPECT_EQ(slurp(file), fits);
}

TEST_F(WholeFileTest, AWriteThatFailsHalfwayKeepsTheOldFile) {
    const fs::path file = dir / "QM4.ini";
    put(file, "old settings\r\n");
    std::size_t taken = 0;
    qm::files::setWriteHookForTesting([&](int fd, const void* data, std::size_t size) -> long {
        if (taken >= 10) {
            errno = EIO;
            return -1;
        }
        const std::size_t n = std::min<std::size_t>(size, 10 - taken);
        taken += n;
        return static_cast<long>(::write(fd, data, n));
    });
    const auto e = writeWholeFile(file.string(), std::string(100, 'n'));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->reason, std::strerror(EIO));
    EXPECT_EQ(slurp(file), "old settings\r\n");
    EXPECT_TRUE(othersIn(dir, "QM4.ini").empty());
    EXPECT_EQ(qm::files::cannotCreateMessage(*e),
              "ファイル " + file.string() + " を作成できません\n" + std::strerror(EIO));
}

TEST_F(WholeFileTest, ShortWritesAndAWriteThatTakesNothingAreHandled) {
    const fs::path file = dir / "a.bsd";
    // One byte at a time: the writer goes on until all is written.
    qm::files::setWriteHookForTesting(
        [](int fd, const void* data, std::size_t) -> long { return static_cast<long>(::write(fd, data, 1)); });
    const std::string text = "line one\r\nline two\r\n";
    ASSERT_FALSE(writeWholeFile(file.string(), text));
    EXPECT_EQ(slurp(file), text);

    // A device that takes nothing more is a full one, not an endless loop.
    qm::files::setWriteHookForTesting([](int, const void*, std::size_t) -> long { return 0; });
    const auto e = writeWholeFile(file.string(), "other");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->reason, std::strerror(ENOSPC));
    EXPECT_EQ(slurp(file), text);
}

TEST_F(WholeFileTest, PermissionsAndSymbolicLinksSurviveAReplace) {
    const fs::path real = dir / "real.bsd";
    const fs::path link = dir / "link.bsd";
    put(real, "old");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, link);

    ASSERT_FALSE(writeWholeFile(link.string(), "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(real), "new");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(WholeFileTest, AMissingFolderOrReadOnlyFolderIsAnError) {
    const auto e = writeWholeFile((dir / "no" / "such" / "a.bsd").string(), "x");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->reason, std::strerror(ENOENT));
    if (::geteuid() != 0) {  // root writes anywhere
        ::chmod(dir.c_str(), 0500);
        EXPECT_TRUE(writeWholeFile((dir / "a.bsd").string(), "x"));
        ::chmod(dir.c_str(), 0700);
    }
}

TEST_F(WholeFileTest, ReadsRefuseAFileOverTheLimitBeforeReadingIt) {
    const fs::path file = dir / "big.bsd";
    put(file, std::string(5000, 'z'));
    const auto refused = readWholeFile(file.string(), 4096);
    ASSERT_TRUE(refused.error);
    EXPECT_TRUE(refused.bytes.empty());
    EXPECT_EQ(refused.error->reason, "larger than 4096 bytes");

    EXPECT_EQ(readWholeFile(file.string(), 5000).bytes.size(), 5000u);
    const auto head = readFileHead(file.string(), 100);
    EXPECT_FALSE(head.error);
    EXPECT_EQ(head.bytes, std::string(100, 'z'));

    const auto missing = readWholeFile((dir / "none").string(), 100);
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->reason, std::strerror(ENOENT));
    EXPECT_EQ(qm::files::cannotOpenMessage(*missing.error),
              "ファイル " + (dir / "none").string() + " は開けません\n" + std::strerror(ENOENT));
    EXPECT_TRUE(readWholeFile(dir.string(), 100).error);  // a folder is no file
}
