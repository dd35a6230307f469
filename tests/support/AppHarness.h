#pragma once

// The four windows of the program over its practice session, made for one
// test, with dialogs the test answers.
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "app/Program.h"
#include "app/ProgramEnd.h"
#include "mainwindow/Unit1.h"
#include "memo/Unit2.h"
#include "browser/Unit3.h"
#include "info/Unit4.h"
#include "tests/support/Waits.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <initializer_list>
#include <memory>
#include <optional>

// gtest shows QStrings as text, not as arrays of UTF-16 units.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < l.size(); ++i) *os << (i ? ", \"" : "\"") << l[i].toStdString() << '"';
    *os << '}';
}

namespace qmtest {

// Answers every box and dialog from queues the test fills, and records what was asked.
class ScriptedDialogs : public qm::Dialogs {
public:
    QStringList messages;   // plain boxes, in order
    QStringList questions;  // confirmations and warnings, in order
    std::deque<qm::Answer> confirmAnswers;
    std::deque<bool> warningAnswers;
    std::deque<QString> openAnswers;  // an empty name cancels the dialog
    std::deque<QString> saveAnswers;
    std::deque<int> saveFilterAnswers;  // the file type chosen with each save answer
    std::deque<int> openFilterAnswers;  // the file type chosen with each open answer
    std::deque<std::optional<QFont>> fontAnswers;
    std::vector<qm::FileDialogRequest> openRequests;
    std::vector<qm::FileDialogRequest> saveRequests;

    void message(QWidget*, const QString& text) override { messages << text; }
    qm::Answer confirm(QWidget*, const QString& text) override {
        questions << text;
        return take(confirmAnswers, qm::Answer::Cancel);
    }
    bool warningYesNo(QWidget*, const QString& text) override {
        questions << text;
        return take(warningAnswers, false);
    }
    std::optional<QString> openFile(QWidget*, const qm::FileDialogRequest& r) override {
        r.chosenFilter = take(openFilterAnswers, -1);
        openRequests.push_back(r);
        return chosen(take(openAnswers, QString()));
    }
    std::optional<QString> saveFile(QWidget*, const qm::FileDialogRequest& r) override {
        r.chosenFilter = take(saveFilterAnswers, -1);
        saveRequests.push_back(r);
        return chosen(take(saveAnswers, QString()));
    }
    std::optional<QFont> font(QWidget*, const QFont&) override {
        return take(fontAnswers, std::optional<QFont>{});
    }

private:
    static std::optional<QString> chosen(const QString& name) {
        if (name.isEmpty()) return std::nullopt;
        return name;
    }
    template <typename T>
    static T take(std::deque<T>& q, T fallback) {
        if (q.empty()) return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
};

// Makes the settings, the session and the four windows in the program's
// order; the settings file lives in a temporary folder. Ends as the program
// does: the settings are written, then the windows go in the program's order.
class AppHarness {
public:
    explicit AppHarness(QString settingsPath = {}) {
        auto d = std::make_unique<ScriptedDialogs>();
        dialogs = d.get();
        qm::qmApp()->setDialogs(std::move(d));
        qm::qmApp()->setTitle(QStringLiteral("QM5"));
        if (settingsPath.isEmpty()) settingsPath = dir.filePath(QStringLiteral("QM4.ini"));
        this->settingsPath = settingsPath;
        program = std::make_unique<qm::Program>(settingsPath);
        settings = &program->settings();
        session = &program->session();
    }
    ~AppHarness() { destroy(); }

    // The program's end: the settings are written, then everything goes.
    void destroy() {
        if (program == nullptr) return;
        qm::ProgramEnd::writeSettings(*settings);
        program.reset();
        settings = nullptr;
        session = nullptr;
    }

    QTemporaryDir dir;
    QString settingsPath;
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<qm::Program> program;
    qm::Settings* settings = nullptr;
    qm::PracticeSession* session = nullptr;
};

// Gives the session a lesson of these separators (ending at the media's end)
// with the notes it has, as if it had opened so, without playback.
inline void setBlocks(qm::PracticeSession& session, std::initializer_list<int32_t> separators) {
    const std::vector<int32_t> seps(separators);
    session.openLessonForTesting(seps.back(), {seps, session.lesson().notes()});
}

// The session as if mediaFile of length ms had opened, one block, without playback.
inline void setMedia(qm::PracticeSession& session, const QString& mediaFile, int32_t length) {
    session.openLessonForTesting(length, {{0, length}, {}}, mediaFile.toStdString());
}

// The lesson's notes as if it had opened with them: nothing unsaved.
inline void setNotes(qm::PracticeSession& session, const QStringList& notes) {
    std::vector<std::string> lines;
    for (const QString& n : notes) lines.push_back(n.toStdString());
    session.openLessonForTesting(session.state().mediaLength, {session.state().blocks().separators(), lines});
}

// A file of the generated test media: $QM5_TEST_MEDIA, or else the build
// tree's testmedia folder beside bin/.
inline QString testMedia(const QString& name) {
    QString dir = qEnvironmentVariable("QM5_TEST_MEDIA");
    if (dir.isEmpty()) dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia");
    return QDir::cleanPath(dir + QLatin1Char('/') + name);
}

}  // namespace qmtest
