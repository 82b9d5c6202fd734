// Deliberately plain models of the link collection pass, kept beside the
// tests. The href pass: one position at a time, three flags, a working copy
// of the page in which the position after a closing quote or space is
// overwritten with ">". The img pass: one state per position of a tag, as
// the HTML tokenizer names them. The fast collector must give exactly
// their results.
#pragma once

#include <QByteArray>
#include <QList>

#include <cctype>
#include <string>

// The src of every closed img tag, one byte at a time through the states
// of a tag.
inline QList<QByteArray> ModelImgSources(const QByteArray &page)
{
    enum State { Text, BeforeName, Name, AfterName, BeforeValue, Quoted, Unquoted };
    std::string lower(page.constData(), size_t(page.size()));
    for (char &c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
    QList<QByteArray> sources;
    State state = Text;
    char quote = 0;
    std::string name;
    QByteArray value, src;
    bool srcSeen = false;
    const auto endAttribute = [&] {
        if (!srcSeen && name == "src") {
            srcSeen = true;
            src = value;
        }
        name.clear();
        value.clear();
    };
    const auto endTag = [&] {
        if (srcSeen) {
            while (src.startsWith(' '))
                src.remove(0, 1);
            while (src.endsWith(' '))
                src.chop(1);
            sources.append(src.replace(" ", "%20"));
        }
        srcSeen = false;
        src.clear();
        state = Text;
    };
    for (size_t i = 0; i < lower.size(); ++i) {
        const char c = lower[i];
        switch (state) {
        case Text:
            if (lower.compare(i, 4, "<img") == 0 && i + 4 < lower.size()
                && (space(lower[i + 4]) || lower[i + 4] == '/' || lower[i + 4] == '>')) {
                state = BeforeName;
                i += 3;
            }
            break;
        case BeforeName:
            if (c == '>')
                endTag();
            else if (!space(c) && c != '/')
                name = c, state = Name;
            break;
        case Name:
            if (c == '=')
                state = BeforeValue;
            else if (space(c))
                state = AfterName;
            else if (c == '/' || c == '>')
                endAttribute(), c == '>' ? endTag() : void(state = BeforeName);
            else
                name += c;
            break;
        case AfterName:
            if (c == '=')
                state = BeforeValue;
            else if (c == '>')
                endAttribute(), endTag();
            else if (c == '/')
                endAttribute(), state = BeforeName;
            else if (!space(c))
                endAttribute(), name = c, state = Name;
            break;
        case BeforeValue:
            if (c == '"' || c == '\'')
                quote = c, state = Quoted;
            else if (c == '>')
                endAttribute(), endTag();
            else if (!space(c))
                value += page[qsizetype(i)], state = Unquoted;
            break;
        case Quoted:
            if (c == quote)
                endAttribute(), state = BeforeName;
            else
                value += page[qsizetype(i)];
            break;
        case Unquoted:
            if (space(c) || c == '>')
                endAttribute(), c == '>' ? endTag() : void(state = BeforeName);
            else
                value += page[qsizetype(i)];
            break;
        }
    }
    return sources;
}

inline QList<QByteArray> ModelCollectLinkValues(const QByteArray &page, bool imgSrc)
{
    if (imgSrc)
        return ModelImgSources(page);
    const std::string trigger = "HREF";
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
