// Puts many lines into a plain-text memo without stalling the window. A memo laid out whole
// at once (setPlainText, or a document swapped in) costs tens of milliseconds for 10000 lines
// and a text layout per line; here the memo gets a fresh document that is filled in slices,
// one slice per turn of the event loop, so that each turn does a few milliseconds of work and
// only the lines on screen are ever laid out. The memo ends as setPlainText would leave it:
// one block per line, its font, undo setting and wrapping unchanged.
//
// The document a fill or an emptying replaces is freed beside the event loop, and the memory
// it held is given back to the system where the C library allows it.
#pragma once

#include <string>
#include <vector>

class QPlainTextEdit;

// Returns once the memo holds the lines (events are processed meanwhile). A later fill or
// emptying of the same memo, or the memo's end, cuts a fill under way short.
void setMemoLines(QPlainTextEdit* memo, std::vector<std::string> lines);

// Empties the memo at once, however many lines it holds.
void clearMemo(QPlainTextEdit* memo);
