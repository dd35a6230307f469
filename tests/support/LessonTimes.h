#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <map>
#include <string>
#include <utility>

namespace qmtest {

// "kind index" -> [start, end] ms, from the lesson.times file the media
// generator writes beside lesson.mp3; empty when there is none.
inline std::map<std::string, std::pair<int, int>> lessonTimes(const QString& timesFile) {
    std::map<std::string, std::pair<int, int>> out;
    QFile f(timesFile);
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> p = line.simplified().split(' ');
        if (p.size() != 4 || line.startsWith('#')) continue;
        out[(p[0] + " " + p[1]).toStdString()] = {p[2].toInt(), p[3].toInt()};
    }
    return out;
}

}  // namespace qmtest
