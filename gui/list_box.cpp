#include "gui/list_box.h"

#include "base/errors.h"
#include "base/text_lines.h"

#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QUrl>
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
    const auto stale = [this] { runsValid_ = false; };
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, stale);
    connect(model_, &QAbstractItemModel::modelReset, this, stale);
    connect(model_, &QAbstractItemModel::rowsInserted, this, stale);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, stale);
    connect(model_, &QAbstractItemModel::layoutChanged, this, stale);
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

const QList<std::pair<int, int>> &ListBox::SelectedRuns() const
{
    if (runsValid_)
        return runs_;
    // The selection's ranges (one after select-all, however long) sorted and
    // merged where they overlap or touch.
    QList<std::pair<int, int>> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection())
        if (range.isValid())
            rows.append({range.top(), range.bottom()});
    std::sort(rows.begin(), rows.end());
    runs_.clear();
    for (const auto &[top, bottom] : rows) {
        if (!runs_.isEmpty() && top <= runs_.last().second + 1)
            runs_.last().second = qMax(runs_.last().second, bottom);
        else
            runs_.append({top, bottom});
    }
    runsValid_ = true;
    return runs_;
}

bool ListBox::Selected(qsizetype index) const
{
    CheckIndex(index);
    const auto &runs = SelectedRuns();
    // The first run that ends at or after the row.
    const auto run = std::lower_bound(runs.begin(), runs.end(), index,
                                      [](const std::pair<int, int> &r, qsizetype row) { return r.second < row; });
    return run != runs.end() && run->first <= index;
}

QRegion ListBox::visualRegionForSelection(const QItemSelection &selection) const
{
    return selection.isEmpty() ? QRegion() : QRegion(viewport()->rect());
}

void ListBox::SetSelected(qsizetype index, bool selected)
{
    CheckIndex(index);
    selectionModel()->select(model_->index(int(index)),
                             selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void ListBox::ReplaceSelection(const QItemSelection &selection)
{
    selectionModel()->clearSelection();
    if (!selection.isEmpty())
        selectionModel()->select(selection, QItemSelectionModel::Select);
}

void ListBox::SelectAll()
{
    if (Count() > 0)
        ReplaceSelection(QItemSelection(model_->index(0), model_->index(int(Count() - 1))));
}

qsizetype ListBox::SelectedCount() const
{
    qsizetype count = 0;
    for (const auto &[top, bottom] : SelectedRuns())
        count += bottom - top + 1;
    return count;
}

QList<bool> ListBox::SelectionFlags() const
{
    QList<bool> flags(Count(), false);
    for (const auto &[top, bottom] : SelectedRuns())
        for (int row = top; row <= bottom && row < flags.size(); ++row)
            flags[row] = true;
    return flags;
}

void ListBox::SetSelectionFlags(const QList<bool> &flags)
{
    const int rows = int(qMin<qsizetype>(flags.size(), Count()));
    QItemSelection selection;
    for (int row = 0; row < rows;) {
        if (!flags[row]) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < rows && flags[row])
            ++row;
        selection.append(QItemSelectionRange(model_->index(first), model_->index(row - 1)));
    }
    ReplaceSelection(selection);
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

void ListBox::AcceptDroppedLines(std::function<void(const QList<QByteArray> &)> handler)
{
    dropped_ = std::move(handler);
    // The drag arrives on the viewport, the part under the pointer.
    setAcceptDrops(bool(dropped_));
    viewport()->setAcceptDrops(bool(dropped_));
    setDropIndicatorShown(false);
}

QList<QByteArray> ListBox::DroppedLines(const QMimeData *data)
{
    QList<QByteArray> lines;
    if (!data)
        return lines;
    if (data->hasUrls()) {
        for (const QUrl &url : data->urls())
            if (!url.isEmpty())
                lines << url.toString().toUtf8();
    } else if (data->hasText()) {
        for (const QByteArray &line : SplitLines(data->text().toUtf8())) {
            const QByteArray trimmed = line.trimmed();
            if (!trimmed.isEmpty())
                lines << trimmed;
        }
    }
    return lines;
}

void ListBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (dropped_ && !DroppedLines(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QListView::dragEnterEvent(event);
}

void ListBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (dropped_ && !DroppedLines(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QListView::dragMoveEvent(event);
}

void ListBox::dropEvent(QDropEvent *event)
{
    const QList<QByteArray> lines = dropped_ ? DroppedLines(event->mimeData()) : QList<QByteArray>();
    if (lines.isEmpty()) {
        QListView::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    dropped_(lines);
}
