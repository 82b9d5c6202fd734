#include "net/header_lines.h"

#include "base/errors.h"

#include <algorithm>

static QByteArray NameOf(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    return colon < 0 ? QByteArray() : line.left(colon);
}

static bool LessNoCase(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

void THeaderLines::CheckIndex(qsizetype index, qsizetype limit) const
{
    if (index < 0 || index > limit)
        throw EListError::OutOfBounds(index);
}

const QByteArray &THeaderLines::operator[](qsizetype index) const
{
    CheckIndex(index, lines_.size() - 1);
    return lines_[index];
}

qsizetype THeaderLines::Add(const QByteArray &line)
{
    if (!sorted_) {
        lines_.append(line);
        return lines_.size() - 1;
    }
    const auto at = std::upper_bound(lines_.begin(), lines_.end(), line, LessNoCase);
    const qsizetype index = at - lines_.begin();
    lines_.insert(index, line);
    return index;
}

void THeaderLines::Insert(qsizetype index, const QByteArray &line)
{
    if (sorted_)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(index, lines_.size());
    lines_.insert(index, line);
}

void THeaderLines::Delete(qsizetype index)
{
    CheckIndex(index, lines_.size() - 1);
    lines_.removeAt(index);
}

void THeaderLines::Put(qsizetype index, const QByteArray &line)
{
    if (sorted_)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(index, lines_.size() - 1);
    lines_[index] = line;
}

void THeaderLines::SetSorted(bool sorted)
{
    if (sorted && !sorted_)
        std::stable_sort(lines_.begin(), lines_.end(), LessNoCase);
    sorted_ = sorted;
}

QByteArray THeaderLines::Text() const
{
    QByteArray text;
    for (const QByteArray &line : lines_)
        text.append(line).append("\r\n");
    return text;
}

qsizetype THeaderLines::IndexOfHeader(const QByteArray &name) const
{
    if (!sorted_) {
        for (qsizetype i = 0; i < lines_.size(); ++i) {
            const qsizetype colon = lines_[i].indexOf(':');
            if (colon >= 0 && lines_[i].left(colon).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
    qsizetype low = 0, high = lines_.size() - 1;
    while (low <= high) {
        const qsizetype middle = low + (high - low) / 2;
        const int order = NameOf(lines_[middle]).compare(name, Qt::CaseInsensitive);
        if (order == 0)
            return middle;
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

void THeaderLines::SetHeader(const QByteArray &name, const QByteArray &value)
{
    qsizetype i = IndexOfHeader(name);
    if (value.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    if (i < 0)
        i = Add(QByteArray());
    Put(i, name + ": " + value);
}
