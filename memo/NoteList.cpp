#include "memo/NoteList.h"

#include "common/Utf8.h"

#include <QItemSelectionModel>

namespace qm {

NoteListModel::NoteListModel(std::function<const std::vector<std::string>&()> notes, QObject* parent)
    : QAbstractListModel(parent), notes_(std::move(notes)) {}

int NoteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(notes_().size());
}

QVariant NoteListModel::data(const QModelIndex& index, int role) const {
    const auto& notes = notes_();
    if (role != Qt::DisplayRole || !index.isValid() || static_cast<std::size_t>(index.row()) >= notes.size()) return {};
    return utf8ToQString(notes[static_cast<std::size_t>(index.row())]);
}

void NoteListModel::reload() {
    beginResetModel();
    endResetModel();
}

NoteListView::NoteListView(std::function<const std::vector<std::string>&()> notes, QWidget* parent)
    : QListView(parent), model_(new NoteListModel(std::move(notes), this)) {
    setModel(model_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int NoteListView::count() const { return model_->rowCount(); }

int NoteListView::currentRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void NoteListView::setCurrentRow(int row) {
    if (row < 0 || row >= count()) {
        setCurrentIndex({});
        selectionModel()->clearSelection();
        return;
    }
    setCurrentIndex(model_->index(row));
}

bool NoteListView::hasSelection() const { return selectionModel()->hasSelection(); }

QRect NoteListView::rowRect(int row) const { return visualRect(model_->index(row)); }

int NoteListView::rowAt(const QPoint& pos) const {
    const QModelIndex i = indexAt(pos);
    return i.isValid() ? i.row() : -1;
}

}  // namespace qm
