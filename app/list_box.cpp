#include "app/list_box.h"

#include "base/errors.h"

#include <QItemSelectionModel>
#include <algorithm>

int ByteLineModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant ByteLineModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= lines_.size())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(lines_[index.row()]);
    return {};
}

void ByteLineModel::SetLines(QList<QByteArray> lines)
{
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
}

void ByteLineModel::Append(const QByteArray &line)
{
    Insert(lines_.size(), line);
}

void ByteLineModel::AppendAll(const QList<QByteArray> &lines)
{
    if (lines.isEmpty())
        return;
    beginInsertRows({}, int(lines_.size()), int(lines_.size() + lines.size() - 1));
    lines_.append(lines);
    endInsertRows();
}

void ByteLineModel::Insert(qsizetype row, const QByteArray &line)
{
    beginInsertRows({}, int(row), int(row));
    lines_.insert(row, line);
    endInsertRows();
}

void ByteLineModel::Remove(qsizetype row)
{
    beginRemoveRows({}, int(row), int(row));
    lines_.removeAt(row);
    endRemoveRows();
}

ListBox::ListBox(QWidget *parent) : QListView(parent), model_(new ByteLineModel(this))
{
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true);
}

void ListBox::CheckIndex(qsizetype index) const
{
    if (index < 0 || index >= Count())
        throw EListError::OutOfBounds(index);
}

QByteArray ListBox::Item(qsizetype index) const
{
    CheckIndex(index);
    return model_->Lines()[index];
}

namespace {
// The order of a sorted list: letters compare without regard to case.
bool SortsBefore(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}
}  // namespace

qsizetype ListBox::Add(const QByteArray &line)
{
    if (!sorted_) {
        model_->Append(line);
        return Count() - 1;
    }
    const auto &lines = model_->Lines();
    const auto pos = std::upper_bound(lines.begin(), lines.end(), line, SortsBefore) - lines.begin();
    model_->Insert(pos, line);
    return pos;
}

void ListBox::SetItems(QList<QByteArray> lines)
{
    if (sorted_)
        std::stable_sort(lines.begin(), lines.end(), SortsBefore);
    model_->SetLines(std::move(lines));
}

void ListBox::AddItems(const QList<QByteArray> &lines)
{
    if (!sorted_) {
        model_->AppendAll(lines);
        return;
    }
    for (const QByteArray &line : lines)
        Add(line);
}

void ListBox::Clear()
{
    model_->SetLines({});
}

void ListBox::Delete(qsizetype index)
{
    CheckIndex(index);
    model_->Remove(index);
}

bool ListBox::Selected(qsizetype index) const
{
    CheckIndex(index);
    return selectionModel()->isRowSelected(int(index), {});
}

void ListBox::SetSelected(qsizetype index, bool selected)
{
    CheckIndex(index);
    selectionModel()->select(model_->index(int(index)),
                             selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void ListBox::SelectAll()
{
    if (Count() > 0)
        selectionModel()->select(QItemSelection(model_->index(0), model_->index(int(Count() - 1))),
                                 QItemSelectionModel::Select);
}

qsizetype ListBox::SelectedCount() const
{
    // Counted from the selection's row ranges (one after select-all, however
    // long), merging ranges that overlap.
    QList<std::pair<int, int>> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection())
        rows.append({range.top(), range.bottom()});
    std::sort(rows.begin(), rows.end());
    qsizetype count = 0;
    int covered = -1;  // the last row counted so far
    for (const auto &[top, bottom] : rows) {
        if (bottom > covered) {
            count += bottom - qMax(top, covered + 1) + 1;
            covered = bottom;
        }
    }
    return count;
}

qsizetype ListBox::ItemAtPos(const QPoint &viewportPos) const
{
    const QModelIndex index = indexAt(viewportPos);
    return index.isValid() ? index.row() : -1;
}

void ListBox::SetSorted(bool sorted)
{
    sorted_ = sorted;
    if (sorted_)
        SetItems(model_->Lines());
}
