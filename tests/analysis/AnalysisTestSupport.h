#pragma once
// Helpers for the analysis tests, plain C++: the build tree's generated media,
// temporary folders, and running ffmpeg to make edge-case media.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace qmtest::analysis {

namespace fs = std::filesystem;

// The build tree: the folder above the test's bin/.
inline fs::path buildDir() {
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path();
}

// $QM5_TEST_MEDIA, or else the build tree's testmedia folder.
inline std::string media(const std::string& name) {
    const char* dir = std::getenv("QM5_TEST_MEDIA");
    return ((dir && *dir) ? fs::path(dir) : buildDir() / "testmedia") / name;
}

// A fresh folder, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "qm5-analysis-XXXXXX").string();
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
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Runs a program with arguments (no shell); true when it exits with 0.
inline bool runTool(const std::vector<std::string>& args) {
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
    if (::waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ffmpeg quiet and overwriting, then args.
inline bool ffmpeg(std::vector<std::string> args) {
    args.insert(args.begin(), {"ffmpeg", "-nostdin", "-hide_banner", "-v", "error", "-y"});
    return runTool(args);
}

// What a command prints on its standard output (no shell quoting: args are
// joined with single quotes around each).
inline std::string outputOf(const std::vector<std::string>& args) {
    std::string command;
    for (const std::string& a : args) {
        command += '\'';
        for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += "' ";
    }
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

// Where ffprobe sees the first audio stream's decoded frames end, in ms from
// the stream's start (-1 when it cannot tell).
inline double ffprobeAudioEndMs(const std::string& path) {
    std::istringstream stream(outputOf({"ffprobe", "-v", "quiet", "-select_streams", "a:0", "-show_entries",
                                        "stream=start_time,sample_rate", "-of", "csv=p=0", path}));
    double rate = 0, start = 0;
    char comma = 0;
    if (!(stream >> rate >> comma >> start) || rate <= 0) return -1;
    std::istringstream frames(outputOf({"ffprobe", "-v", "quiet", "-select_streams", "a:0", "-show_entries",
                                        "frame=pts_time,nb_samples", "-of", "csv=p=0", path}));
    double pts = -1, last = -1;
    long samples = 0;
    while (frames >> pts >> comma >> samples) last = (pts - start) * 1000.0 + samples * 1000.0 / rate;
    return last;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

}  // namespace qmtest::analysis
