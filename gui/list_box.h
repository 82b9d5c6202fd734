// A list box of text lines kept as bytes (addresses found in pages stay
// bytes; only the display decodes them), with multi-selection, the
// item-under-the-pointer query and a sorted mode. Backed by a flat model so
// that filling it with 100,000 lines costs one reset, not one relayout each.
#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>
#include <QItemSelection>
#include <QListView>

#include <functional>
#include <utility>

class QMimeData;

class ByteLineModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const QList<QByteArray> &Lines() const { return lines_; }
    void SetLines(QList<QByteArray> lines);
    void Append(const QByteArray &line);
    void AppendAll(const QList<QByteArray> &lines);
    void Insert(qsizetype row, const QByteArray &line);
    void Remove(qsizetype row);

private:
    QList<QByteArray> lines_;
};

class ListBox final : public QListView {
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr);

    qsizetype Count() const { return model_->Lines().size(); }
    // The line at index; EListError "List index out of bounds (n)" outside.
    QByteArray Item(qsizetype index) const;
    const QList<QByteArray> &Items() const { return model_->Lines(); }
    // Adds a line; in sorted mode at its sorted place. Returns its index.
    qsizetype Add(const QByteArray &line);
    void SetItems(QList<QByteArray> lines);
    // Appends lines at the end (sorted mode: merged in), keeping the selection.
    void AddItems(const QList<QByteArray> &lines);
    void Clear();
    void Delete(qsizetype index);

    // Selection state of one line; EListError outside the list. A binary
    // search in the selection's row runs, kept until the selection changes.
    bool Selected(qsizetype index) const;
    void SetSelected(qsizetype index, bool selected);
    void SelectAll();
    qsizetype SelectedCount() const;
    // The selection as one flag per line, and a whole new selection from
    // such flags, given to the view in one change however many lines it
    // selects (one selection change per line makes 50,000 take seconds).
    QList<bool> SelectionFlags() const;
    void SetSelectionFlags(const QList<bool> &flags);

    // The index of the line under a point of the viewport, or -1.
    qsizetype ItemAtPos(const QPoint &viewportPos) const;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    // Lines dropped on the list (the addresses of a drag, else the lines of
    // its text, empty ones left out) go to the handler; without one the list
    // takes no drops.
    void AcceptDroppedLines(std::function<void(const QList<QByteArray> &)> handler);
    // The lines a drag carries, as the list takes them.
    static QList<QByteArray> DroppedLines(const QMimeData *data);

protected:
    // What a selection change repaints: the whole viewport, a few dozen
    // lines, rather than a region built line by line from the change, which
    // for 50,000 single-line ranges asks the geometry of each of them.
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CheckIndex(qsizetype index) const;
    // The selected rows as sorted runs (first, last) that neither overlap
    // nor touch.
    const QList<std::pair<int, int>> &SelectedRuns() const;
    // Replaces the selection; with nothing selected before the new one goes
    // in, the view compares no old selection with the new.
    void ReplaceSelection(const QItemSelection &selection);

    ByteLineModel *model_;
    bool sorted_ = false;
    mutable QList<std::pair<int, int>> runs_;
    mutable bool runsValid_ = false;
    std::function<void(const QList<QByteArray> &)> dropped_;
};
