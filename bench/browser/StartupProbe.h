#pragma once
// What a start-up probe reports about itself: the time since the driver
// started it, its resident memory and the web engine processes below it.

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <unistd.h>

namespace qmbench {

inline int64_t monotonicNs() {
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return 0;
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Milliseconds since the driver's clock reading just before it started us.
inline double msSinceSpawn() {
    const char* t0 = std::getenv("QM5_BENCH_T0");
    if (t0 == nullptr) return -1;
    return double(monotonicNs() - std::strtoll(t0, nullptr, 10)) / 1e6;
}

// VmRSS of this process in kB, -1 when /proc does not tell.
inline long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Processes whose name starts "QtWebEngineProc" and that descend from this one.
inline int webEngineProcesses() {
    const long self = getpid();
    int count = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        entry.toLong(&isPid);
        if (!isPid) continue;
        QFile comm(QStringLiteral("/proc/") + entry + QStringLiteral("/comm"));
        if (!comm.open(QIODevice::ReadOnly) || !comm.readAll().startsWith("QtWebEngineProc")) continue;
        QString pid = entry;
        for (int depth = 0; depth < 8; ++depth) {
            QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
            if (!stat.open(QIODevice::ReadOnly)) break;
            const QByteArray s = stat.readAll();
            pid = QString::fromLatin1(s.mid(s.lastIndexOf(')') + 2).split(' ').value(1));  // ppid
            if (pid.toLong() == self) {
                ++count;
                break;
            }
            if (pid.toLong() <= 1) break;
        }
    }
    return count;
}

// One line the driver reads: "key=value ..." on stdout. mainMs: when main() began.
inline void report(const char* what, double mainMs, double ms, long rssKb, int engines) {
    std::printf("%s main_ms=%.2f shown_ms=%.2f rss_kb=%ld webengine=%d\n", what, mainMs, ms, rssKb, engines);
    std::fflush(stdout);
}

}  // namespace qmbench
