#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace qm {

// The notes as rows of a list view: the model reads the lesson's lines where
// they lie (UTF-8), making a text of a row only when the view asks for it, so
// a lesson of a million note lines costs no object per line, and the view
// (every row one line high) lays out only what shows.
class NoteListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit NoteListModel(std::function<const std::vector<std::string>&()> notes, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The notes were replaced: every row is read again.
    void reload();

private:
    std::function<const std::vector<std::string>&()> notes_;
};

// The memo window's list of note lines, one row per line, at most one selected.
class NoteListView : public QListView {
    Q_OBJECT
public:
    explicit NoteListView(std::function<const std::vector<std::string>&()> notes, QWidget* parent = nullptr);
    NoteListModel* notesModel() const { return model_; }
    int count() const;
    // -1 when no row is current.
    int currentRow() const;
    // -1, or a row past the end, leaves no row current or selected.
    void setCurrentRow(int row);
    bool hasSelection() const;
    QRect rowRect(int row) const;  // in the viewport's coordinates
    int rowAt(const QPoint& pos) const;  // -1 below the last row

private:
    NoteListModel* model_;
};

}  // namespace qm
