// Puts many lines into a plain-text memo without stalling the window: building a document
// of thousands of lines takes longer than a frame (about 16 ms for 10000 lines), so it is
// built on a worker thread while the event loop keeps running, and then swapped into the
// memo whole. The memo ends exactly as setPlainText would leave it: one block per line,
// its font, undo setting and wrapping unchanged.
#pragma once

#include <string>
#include <vector>

class QPlainTextEdit;

// Returns once the memo holds the lines (events are processed meanwhile).
void setMemoLines(QPlainTextEdit* memo, std::vector<std::string> lines);
