// A deliberately plain model of the link collection pass, kept beside the
// tests: one position at a time, three flags, a working copy of the page in
// which the position after a closing quote or space is overwritten with ">".
// The fast collector must give exactly its results.
#pragma once

#include <QByteArray>
#include <QList>

#include <cctype>
#include <string>

inline QList<QByteArray> ModelCollectLinkValues(const QByteArray &page, bool imgSrc)
{
    const std::string trigger = imgSrc ? "G SRC" : "HREF";
    std::string copy(page.constData(), size_t(page.size()));
    QList<QByteArray> values;
    bool attributeSeen = false, inValue = false, valueStarted = false;
    QByteArray value;
    for (size_t i = 0; i < copy.size(); ++i) {
        const char c = copy[i];
        if (inValue) {
            if (c == '>') {
                values.append(value);
                attributeSeen = inValue = valueStarted = false;
                value.clear();
                continue;
            }
            if (c != '"' && c != '\'' && c != ' ') {
                value.append(c);
                valueStarted = true;
            } else if (valueStarted && i + 1 < copy.size()) {
                copy[i + 1] = '>';
            }
        }
        if (attributeSeen) {
            if (c != '=')
                continue;
            inValue = true;
        }
        bool match = i + trigger.size() <= copy.size();
        for (size_t k = 0; match && k < trigger.size(); ++k) {
            const unsigned char p = static_cast<unsigned char>(copy[i + k]);
            match = (p < 0x80 ? char(std::toupper(p)) : char(p)) == trigger[k];
        }
        if (match)
            attributeSeen = true;
    }
    return values;
}

// The duplicate removal as first described: blank every later equal entry,
// then delete the empty ones. Quadratic; for checking only.
template <typename Line>
QList<Line> ModelRemoveDuplicates(QList<Line> lines)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (qsizetype j = i + 1; j < lines.size(); ++j) {
            if (lines[i] == lines[j])
                lines[j] = Line();
        }
    }
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines[i].isEmpty())
            lines.removeAt(i);
    }
    return lines;
}
