#include "library/textTokens.h"

#include <QStringList>

namespace texttokens {

namespace {

bool isBlank(QChar c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

TTokens commaFields(const QString& text)
{
    TTokens fields;
    const QStringList lines = text.split('\n');
    int lineIndex = 0;
    while (lineIndex + 1 < lines.size() && lines[lineIndex].trimmed().isEmpty())
        ++lineIndex;
    QString body = lines.value(lineIndex);
    if (body.endsWith('\r'))
        body.chop(1);
    int start = 0;
    for (int index = 0;; ++index) {
        int end = body.indexOf(',', start);
        if (end < 0)
            end = int(body.size());
        int first = start;
        while (first < end && isBlank(body[first]))
            ++first;
        int last = end;
        while (last > first && isBlank(body[last - 1]))
            --last;
        token_t t;
        t.text = body.mid(first, last - first);
        t.line = lineIndex + 1;
        t.column = first + 1;
        t.index = index;
        fields.push_back(t);
        if (end >= int(body.size()))
            break;
        start = end + 1;
    }
    return fields;
}

QString singleLine(const QString& text, const char* format)
{
    const QStringList lines = text.split('\n');
    int seen = 0;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        if (++seen > 1)
            return QString("%1, linha %2: esperada uma só linha de código.").arg(format).arg(i + 1);
    }
    return {};
}

TTokens scan(const QString& text, QChar commentChar, bool commasToo)
{
    TTokens tokens;
    int line = 1;
    int column = 1;
    int index = 0;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        const QChar c = text[i];
        if (c == '\n') {
            ++line;
            column = 1;
            ++i;
            continue;
        }
        if (isBlank(c) || (commasToo && c == ',')) {
            ++column;
            ++i;
            continue;
        }
        token_t t;
        t.line = line;
        t.column = column;
        if (!commentChar.isNull() && c == commentChar) {
            int end = i + 1;
            while (end < n && text[end] != '\n')
                ++end;
            t.text = text.mid(i + 1, end - i - 1).trimmed();
            t.comment = true;
            column += end - i;
            i = end;
            tokens.push_back(t);
            continue;
        }
        int end = i;
        while (end < n && !isBlank(text[end]) && !(commasToo && text[end] == ',')
            && !(!commentChar.isNull() && text[end] == commentChar))
            ++end;
        t.text = text.mid(i, end - i);
        t.index = index++;
        column += end - i;
        i = end;
        tokens.push_back(t);
    }
    return tokens;
}

QString fault(const char* format, const token_t& place, const char* unit, const QString& problem)
{
    QString where = QString("%1, linha %2, coluna %3").arg(format).arg(place.line).arg(place.column);
    if (unit)
        where += QString(" (%1 %2)").arg(unit).arg(place.index + 1);
    return QString("%1: %2.").arg(where, problem);
}

QString faultAtEnd(const char* format, const QString& text, const QString& problem)
{
    int end = int(text.size());
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    const int line = int(text.left(end).count('\n')) + 1;
    const int lineStart = int(text.lastIndexOf('\n', end - 1)) + 1;
    const int column = end - lineStart + 1;
    return QString("%1, linha %2, coluna %3 (fim do texto): %4.").arg(format).arg(line).arg(column).arg(problem);
}

std::optional<uint64_t> decimal(const QString& text, uint64_t max)
{
    if (text.isEmpty() || text.size() > 12)
        return std::nullopt;
    uint64_t value = 0;
    for (QChar c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + uint64_t(c.unicode() - '0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

std::optional<uint32_t> hexWord(const QString& text)
{
    if (text.size() != 4)
        return std::nullopt;
    uint32_t value = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        uint32_t digit = 0;
        if (u >= '0' && u <= '9')
            digit = u - '0';
        else if (u >= 'a' && u <= 'f')
            digit = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            digit = u - 'A' + 10;
        else
            return std::nullopt;
        value = value << 4 | digit;
    }
    return value;
}

}  // namespace texttokens
