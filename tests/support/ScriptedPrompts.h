#pragma once
// The session's questions answered by the test from queues, with what was
// asked recorded. QtCore only, for the session's own tests.

#include "session/SessionPrompts.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace qmtest {

class ScriptedPrompts : public qm::SessionPrompts {
public:
    QStringList messages;
    QStringList questions;
    std::deque<qm::Answer> confirmAnswers;
    std::deque<bool> warningAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QString> openAnswers;  // an empty name cancels the dialog
    std::vector<qm::FileDialogRequest> openRequests;
    // Runs while a question is on screen, before it is answered.
    std::function<void(const QString& question)> whileAsking;

    void message(const QString& text) override { messages << text; }
    qm::Answer confirm(const QString& text) override {
        asked(text);
        return take(confirmAnswers, qm::Answer::Cancel);
    }
    bool warningYesNo(const QString& text) override {
        asked(text);
        return take(warningAnswers, false);
    }
    std::optional<QString> saveFile(const qm::FileDialogRequest&) override {
        const QString name = take(saveAnswers, QString());
        if (name.isEmpty()) return std::nullopt;
        return name;
    }

    std::optional<QString> openFile(const qm::FileDialogRequest& request) override {
        openRequests.push_back(request);
        const QString name = take(openAnswers, QString());
        if (name.isEmpty()) return std::nullopt;
        return name;
    }

private:
    void asked(const QString& text) {
        questions << text;
        if (whileAsking) whileAsking(text);
    }
    template <typename T>
    static T take(std::deque<T>& q, T fallback) {
        if (q.empty()) return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace qmtest
