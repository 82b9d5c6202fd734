// THeaderLines: an ordered list of byte lines (the request header block)
// that finds, sets and removes lines of the form name, colon, value.
#pragma once

#include <QByteArray>
#include <QList>

class THeaderLines {
public:
    qsizetype Count() const { return lines_.size(); }
    const QByteArray &operator[](qsizetype index) const;
    qsizetype Add(const QByteArray &line);
    void Insert(qsizetype index, const QByteArray &line);
    void Delete(qsizetype index);
    void Put(qsizetype index, const QByteArray &line);  // refused when Sorted
    void Clear() { lines_.clear(); }

    // A sorted list keeps its lines in case-insensitive order; switching it
    // on sorts the lines.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    // Every line followed by CR LF.
    QByteArray Text() const;

    // The index of the first line whose name (the text before its first
    // ":") equals name without regard to case; -1 when there is none. A
    // sorted list is searched by halving.
    qsizetype IndexOfHeader(const QByteArray &name) const;

    // Sets the line "name: value" in place of the line of that name, or at
    // the end; an empty value removes the line of that name.
    void SetHeader(const QByteArray &name, const QByteArray &value);

private:
    void CheckIndex(qsizetype index, qsizetype limit) const;

    QList<QByteArray> lines_;
    bool sorted_ = false;
};
