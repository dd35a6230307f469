#include "memo/Unit2.h"

#include "ui/Application.h"
#include "memo/DictationPanel.h"
#include "ui/Dialogs.h"
#include "core/ErrorPolicy.h"
#include "memo/NoteList.h"
#include "ui/UndoActions.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

// The window's one instance, reachable from the program.
TfrmMemo* frmMemo = nullptr;

namespace {

constexpr int kPanelHeight = 32;

QFont memoFont() {
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    f.setPixelSize(12);
    return f;
}

// The editor's lines as the user left them: each block's own text, so that
// no-break spaces and line separators inside a note stay what they are (the
// plain-text export turns them into blanks and breaks). A final line break
// yields no empty last line.
QStringList editorLines(const QTextDocument* document) {
    QStringList lines;
    for (QTextBlock b = document->begin(); b.isValid(); b = b.next()) lines << b.text();
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// Every line followed by a line break, as the editor holds the notes.
QString joinLines(const QStringList& lines) {
    QString text;
    for (const QString& l : lines) text += l + QLatin1Char('\n');
    return text;
}

}  // namespace

TfrmMemo::TfrmMemo(qm::PracticeSession& session, QWidget* parent) : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("frmMemo"));
    setWindowTitle(QStringLiteral("Memo"));
    setFont(memoFont());
    move(463, 110);
    resize(341, 309);

    ListBox1 = new qm::NoteListView([this]() -> const std::vector<std::string>& { return session_.lesson().notes(); },
                                    this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->hide();

    btnEdit = new QPushButton(tr("編集"), this);
    btnNew = new QPushButton(QStringLiteral("New"), this);
    btnEnd = new QPushButton(tr("編集終了"), this);
    btnCancel = new QPushButton(tr("中止"), this);
    btnFont = new QPushButton(QStringLiteral("Font"), this);
    Label1 = new QLabel(QStringLiteral("F1 F2 F3   F4     F5"), this);
    Label2 = new QLabel(QStringLiteral("<   =   >  Play thisLine"), this);
    btnDictation = new QPushButton(tr("書き取り"), this);
    btnDictation->setCheckable(true);
    btnDictation->setToolTip(tr("文を隠して書き取り、採点する"));
    Dictation = new qm::DictationPanel(session_, this);
    Dictation->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{btnNew, btnEnd, btnCancel, Label1, Label2}) w->hide();

    using qm::guarded;
    connect(btnEdit, &QPushButton::clicked, this, guarded([this] { btnEditClick(); }));
    connect(btnEnd, &QPushButton::clicked, this, guarded([this] { btnEndClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, guarded([this] { btnCancelClick(); }));
    connect(btnNew, &QPushButton::clicked, this, guarded([this] { btnNewClick(); }));
    connect(btnFont, &QPushButton::clicked, this, guarded([this] { btnFontClick(); }));
    connect(btnDictation, &QPushButton::clicked, this, guarded([this] { btnDictationClick(); }));
    ListBox1->viewport()->installEventFilter(this);
    Memo1->installEventFilter(this);
    // What is typed and not yet ended is kept if the program is killed.
    connect(Memo1->document(), &QTextDocument::contentsChanged, this, [this] {
        if (inEditMode()) session_.noteEditChanged();
    });

    connect(&session_, &qm::PracticeSession::notesChanged, this, &TfrmMemo::showNotes);
    connect(&session_, &qm::PracticeSession::currentBlockChanged, this, [this](int32_t n) { selectLine(n - 1); });
    session_.setNoteEditor(this);
    // The lesson's undo and redo work here too (the editor keeps its own while it edits).
    qm::addUndoActions(this, session_);
    showNotes();
}

TfrmMemo::~TfrmMemo() {
    if (session_.noteEditor() == this) session_.setNoteEditor(nullptr);
}

bool TfrmMemo::inEditMode() const { return !Memo1->isHidden(); }

bool TfrmMemo::inDictationMode() const { return !Dictation->isHidden(); }

void TfrmMemo::btnDictationClick() {
    if (inEditMode()) return;
    if (inDictationMode()) {
        Dictation->hide();
        ListBox1->show();
        btnEdit->show();
        btnDictation->setChecked(false);
        session_.leaveDictation();
        setWindowTitle(QStringLiteral("Memo"));
        return;
    }
    // The block repeats while it is written down.
    session_.enterDictation();
    ListBox1->hide();
    btnEdit->hide();
    Dictation->show();
    btnDictation->setChecked(true);
    setWindowTitle(tr("Memo 書き取り"));
    Dictation->edtAnswer->setFocus();
}

// The list shows the session's notes, none selected, as after a load.
void TfrmMemo::showNotes() {
    ListBox1->notesModel()->reload();
    ListBox1->setCurrentRow(-1);
}

std::optional<QStringList> TfrmMemo::unendedEdit() const {
    if (!inEditMode() || !Memo1->document()->isModified()) return std::nullopt;
    return editorLines(Memo1->document());
}

void TfrmMemo::selectLine(int index) { ListBox1->setCurrentRow(index); }

void TfrmMemo::btnEditClick() {
    if (inDictationMode()) btnDictationClick();  // the notes show again for editing
    btnDictation->hide();
    ListBox1->hide();
    // The editor starts from the notes, unmodified: an edit ended without
    // typing leaves the notes and dirty as they were.
    Memo1->setPlainText(joinLines(lines()));
    Memo1->document()->setModified(false);
    Memo1->show();
    btnEdit->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{btnNew, btnCancel, btnEnd, Label1, Label2}) w->show();
    setWindowTitle(tr("Memo 編集中"));
    Memo1->setFocus();
}

void TfrmMemo::leaveEditMode() {
    Memo1->hide();
    ListBox1->show();
    for (QWidget* w : std::initializer_list<QWidget*>{btnNew, btnCancel, btnEnd, Label1, Label2}) w->hide();
    btnEdit->show();
    btnDictation->show();
    selectLine(session_.state().curBlock - 1);
    setWindowTitle(QStringLiteral("Memo"));
}

void TfrmMemo::btnEndClick() {
    // Untouched, the notes stay as they were, byte for byte, and so does dirty.
    const bool modified = Memo1->document()->isModified();
    const QStringList edited = editorLines(Memo1->document());
    leaveEditMode();
    if (modified) session_.editNotes(edited);
    selectLine(session_.state().curBlock - 1);
}

void TfrmMemo::btnCancelClick() { leaveEditMode(); }

void TfrmMemo::btnNewClick() {
    Memo1->clear();
    const QStringList template_ = session_.noteTemplate();
    if (!template_.isEmpty()) Memo1->setPlainText(template_.join(QStringLiteral("\n")));
    show();
    raise();
    activateWindow();
    Memo1->document()->setModified(true);
}

void TfrmMemo::btnFontClick() {
    const QFont initial = inEditMode() ? Memo1->font() : ListBox1->font();
    const auto chosen = qm::qmApp()->dialogs().font(this, initial);
    if (!chosen) return;
    Memo1->setFont(*chosen);
    ListBox1->setFont(*chosen);
}

void TfrmMemo::ListBox1MouseUp(Qt::MouseButton, const QPoint& pos) {
    const int i = ListBox1->rowAt(pos);
    if (i < 0) return;
    session_.playBlock(i + 1);  // a line past the blocks plays nothing
}

void TfrmMemo::Memo1KeyUp(int key) {
    switch (key) {
        case Qt::Key_F1:
            session_.previousBlock();
            break;
        case Qt::Key_F2:
            session_.blockAgain();
            break;
        case Qt::Key_F3:
            session_.nextBlock();
            break;
        case Qt::Key_F4:
            session_.play();
            break;
        case Qt::Key_F5: {
            QTextCursor c = Memo1->textCursor();
            c.setPosition(c.position());  // the end of the selection holds the caret
            session_.playLineBlock(c.blockNumber());
            break;
        }
        default:
            break;
    }
}

bool TfrmMemo::eventFilter(QObject* watched, QEvent* event) {
    qm::runGuarded([&] {
        if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(event);
            ListBox1MouseUp(me->button(), me->position().toPoint());
        } else if (watched == Memo1 && event->type() == QEvent::KeyRelease) {
            auto* ke = static_cast<QKeyEvent*>(event);
            if (!ke->isAutoRepeat()) Memo1KeyUp(ke->key());
        }
    });
    return false;
}

void TfrmMemo::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

void TfrmMemo::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TfrmMemo::FormShow() {
    if (inEditMode()) Memo1->setFocus();
}

void TfrmMemo::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    FormResize();
}

void TfrmMemo::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int h = height() - kPanelHeight;
    ListBox1->setGeometry(0, 0, width(), h);
    Memo1->setGeometry(0, 0, width(), h);
    Dictation->setGeometry(0, 0, width(), h);
    btnEdit->setGeometry(4, h + 4, 60, 24);
    btnDictation->setGeometry(68, h + 4, 64, 24);
    btnNew->setGeometry(4, h + 4, 40, 24);
    btnEnd->setGeometry(48, h + 4, 64, 24);
    btnCancel->setGeometry(116, h + 4, 40, 24);
    Label1->setGeometry(162, h + 2, 120, 14);
    Label2->setGeometry(162, h + 16, 120, 14);
    btnFont->setGeometry(width() - 48, h + 4, 44, 24);
    FormResize();
}

void TfrmMemo::FormResize() {
    // A window left off screen at both edges comes back into view.
    const QRect g = frameGeometry();
    if (g.left() < 0 && g.top() < 0) {
        move(x(), 294);
        resize(width(), 450);
    }
}
