#include "session/LessonDocument.h"

#include <QCoreApplication>
#include <QUndoCommand>

#include <utility>

namespace qm {

namespace {
// The class's texts under its full name. Called as qm::Texts::tr, so that
// lupdate finds that name even where it cannot read the class's header.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(qm::LessonDocument)
};
}  // namespace

namespace {

// One step of the history. The change is made before the step is pushed (so
// that a change that does nothing pushes nothing); the stack's first redo()
// finds it done. Later, undo() gives the lesson back exactly and redo() makes
// the change again; both say so.
class Step : public QUndoCommand {
public:
    Step(Lesson& lesson, LessonDocument& document, const QString& text)
        : QUndoCommand(text), lesson_(lesson), document_(document) {}

    void redo() final {
        if (std::exchange(done_, false)) return;
        apply();
        emit document_.lessonChanged();
    }
    void undo() final {
        revert();
        emit document_.lessonChanged();
    }

protected:
    virtual void apply() = 0;
    virtual void revert() = 0;
    Lesson& lesson_;

private:
    LessonDocument& document_;
    bool done_ = true;
};

// A new separator at index i cuts block i - 1 (from 0); removing separator k
// makes blocks k - 1 and k one. The attempts go with them, in the record and
// in any copy of it walked through the history.
class SplitStep : public Step {
public:
    SplitStep(Lesson& l, LessonDocument& d, dictation::DictationLog* answers, int32_t ms, Lesson::Split split)
        : Step(l, d, qm::Texts::tr("区切りの挿入")), answers_(answers), ms_(ms), split_(split) {}
    void forward(dictation::DictationLog& answers) const { answers.splitAt(split_.index - 1); }
    void back(dictation::DictationLog& answers) const { answers.joinAt(split_.index - 1); }

private:
    void apply() override {
        split_ = *lesson_.split(ms_);
        if (answers_ != nullptr) forward(*answers_);
    }
    void revert() override {
        lesson_.undo(split_);
        if (answers_ != nullptr) back(*answers_);
    }
    dictation::DictationLog* answers_;
    int32_t ms_;
    Lesson::Split split_;
};

class JoinStep : public Step {
public:
    JoinStep(Lesson& l, LessonDocument& d, dictation::DictationLog* answers, Lesson::Join join,
             std::optional<dictation::JoinedBlocks> joined)
        : Step(l, d, qm::Texts::tr("区切りの削除")), answers_(answers), join_(std::move(join)),
          joined_(std::move(joined)) {}
    void forward(dictation::DictationLog& answers) const { answers.joinAt(join_.index - 1); }
    void back(dictation::DictationLog& answers) const {
        if (joined_) answers.unjoin(*joined_);
    }

private:
    void apply() override {
        join_ = lesson_.join(join_.index);
        if (answers_ != nullptr) joined_ = answers_->joinAt(join_.index - 1);
    }
    void revert() override {
        lesson_.undo(join_);
        if (answers_ != nullptr) back(*answers_);
    }
    dictation::DictationLog* answers_;
    Lesson::Join join_;
    std::optional<dictation::JoinedBlocks> joined_;  // what the attempts' join moved
};

class MoveStep : public Step {
public:
    static constexpr int kId = 1;
    MoveStep(Lesson& l, LessonDocument& d, int32_t k, int32_t from, int32_t to, int dragId)
        : Step(l, d, qm::Texts::tr("区切りの移動")), k_(k), from_(from), to_(to), dragId_(dragId) {}
    int id() const override { return kId; }
    // The moves of one drag are one step: from where it started to where it ended.
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const MoveStep*>(other);
        if (next->k_ != k_ || next->dragId_ != dragId_) return false;
        to_ = next->to_;
        setObsolete(to_ == from_);  // dragged back where it was: no step at all
        return true;
    }

private:
    void apply() override { lesson_.move(k_, to_); }
    void revert() override { lesson_.move(k_, from_); }
    int32_t k_, from_, to_;
    int dragId_;
};

// The whole content swapped: the step holds the other one.
class ReplaceStep : public Step {
public:
    ReplaceStep(Lesson& l, LessonDocument& d, LessonContent before, const QString& text)
        : Step(l, d, text), other_(std::move(before)) {}

private:
    void apply() override { lesson_.swapContent(other_); }
    void revert() override { lesson_.swapContent(other_); }
    LessonContent other_;
};

// The media path the lesson is saved with, swapped.
class RelinkStep : public QUndoCommand {
public:
    RelinkStep(PracticeState& state, std::string other)
        : QUndoCommand(qm::Texts::tr("録音の場所")), state_(state), other_(std::move(other)) {}
    void redo() override {
        if (std::exchange(done_, false)) return;
        state_.mediaFile.swap(other_);
    }
    void undo() override { state_.mediaFile.swap(other_); }

private:
    PracticeState& state_;
    std::string other_;
    bool done_ = true;
};

}  // namespace

LessonDocument::LessonDocument(PracticeState& state, QObject* parent) : QObject(parent), state_(state) {
    connect(&history_, &QUndoStack::cleanChanged, this, [this](bool clean) { emit unsavedChanged(!clean); });
    connect(&history_, &QUndoStack::canUndoChanged, this, &LessonDocument::historyChanged);
    connect(&history_, &QUndoStack::canRedoChanged, this, &LessonDocument::historyChanged);
    connect(&history_, &QUndoStack::undoTextChanged, this, &LessonDocument::historyChanged);
    connect(&history_, &QUndoStack::redoTextChanged, this, &LessonDocument::historyChanged);
}

void LessonDocument::reset(int32_t length) {
    state_.lesson.reset(length);
    history_.clear();  // clean again
    emit lessonChanged();
}

void LessonDocument::open(LessonContent content) {
    state_.lesson.swapContent(content);
    history_.clear();
    emit lessonChanged();
}

void LessonDocument::markSaved() { history_.setClean(); }

std::optional<dictation::DictationLog> LessonDocument::answersAsSaved() const {
    if (answers_ == nullptr) return std::nullopt;
    dictation::DictationLog saved = *answers_;
    const int clean = history_.cleanIndex();
    if (clean < 0) return std::nullopt;
    // Back through the steps made since the save, or forward through those undone.
    for (int i = history_.index() - 1; i >= clean; --i) {
        if (const auto* split = dynamic_cast<const SplitStep*>(history_.command(i))) split->back(saved);
        if (const auto* join = dynamic_cast<const JoinStep*>(history_.command(i))) join->back(saved);
    }
    for (int i = history_.index(); i < clean; ++i) {
        if (const auto* split = dynamic_cast<const SplitStep*>(history_.command(i))) split->forward(saved);
        if (const auto* join = dynamic_cast<const JoinStep*>(history_.command(i))) join->forward(saved);
    }
    return saved;
}

void LessonDocument::undo() { history_.undo(); }

void LessonDocument::redo() { history_.redo(); }

bool LessonDocument::split(int32_t ms) {
    const auto done = state_.lesson.split(ms);
    if (!done) return false;
    if (answers_ != nullptr) answers_->splitAt(done->index - 1);
    history_.push(new SplitStep(state_.lesson, *this, answers_, ms, *done));
    emit lessonChanged();
    return true;
}

int32_t LessonDocument::join(int32_t k) {
    Lesson::Join done = state_.lesson.join(k);
    const int32_t time = done.time;
    std::optional<dictation::JoinedBlocks> joined;
    if (answers_ != nullptr) joined = answers_->joinAt(k - 1);
    history_.push(new JoinStep(state_.lesson, *this, answers_, std::move(done), std::move(joined)));
    emit lessonChanged();
    return time;
}

void LessonDocument::move(int32_t k, int32_t ms, int dragId) {
    const int32_t from = state_.lesson.blocks()[k];
    const int32_t to = state_.lesson.move(k, ms);
    if (to == from) return;
    history_.push(new MoveStep(state_.lesson, *this, k, from, to, dragId));
    emit lessonChanged();
}

void LessonDocument::relink(const std::string& previousPath) {
    history_.push(new RelinkStep(state_, previousPath));
}

void LessonDocument::replace(LessonContent content, const QString& text) {
    const Lesson& now = state_.lesson;
    if (content.separators == now.blocks().separators() && content.notes == now.notes()) return;
    state_.lesson.swapContent(content);  // content holds the old one now
    history_.push(new ReplaceStep(state_.lesson, *this, std::move(content), text));
    emit lessonChanged();
}

}  // namespace qm
