// Reading the code formats' text: tokens with their place (line and column, 1-based, and their
// index among the tokens), comments, numbers, and the messages that name a place.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace texttokens {

struct token_t {
    QString text;
    int line = 1;
    int column = 1;
    int index = 0;  // among the tokens, comments not counted
    bool comment = false;  // text: what follows the comment character, on its line
};
using TTokens = std::vector<token_t>;

// The fields of the first line with something on it, split at commas, blanks around each field
// left out (an empty field keeps the column where it would start).
TTokens commaFields(const QString& text);

// Empty when the text holds at most one line with something on it; otherwise the message.
QString singleLine(const QString& text, const char* format);

// Tokens separated by blanks and line breaks (and commas when commasToo), in order, with the
// comments from `commentChar` (none when null) to the end of their line as comment tokens.
TTokens scan(const QString& text, QChar commentChar = QChar(), bool commasToo = false);

// "<format>, linha L, coluna C (<unit> N): <problem>." (no parentheses when unit is null).
QString fault(const char* format, const token_t& place, const char* unit, const QString& problem);
// The same at the end of the text.
QString faultAtEnd(const char* format, const QString& text, const QString& problem);

// Plain decimal digits (at most 12) whose value is at most `max`.
std::optional<uint64_t> decimal(const QString& text, uint64_t max);
// Exactly four hexadecimal digits, either case.
std::optional<uint32_t> hexWord(const QString& text);

}  // namespace texttokens
