// The two switch-code generator tabs: "Gerar códigos" (TC2, one to three keys), "Gerar
// código" (TL), and the double-click that sends a generated line from either memo.
#pragma once

#include <functional>

#include "codegen/generatedLines.h"

class QPlainTextEdit;
class QRadioButton;
class TLog;

struct TCodeGenControls {
    QRadioButton* rbTC2_1 = nullptr;
    QRadioButton* rbTC2_2 = nullptr;
    QRadioButton* rbTC2_3 = nullptr;
    QPlainTextEdit* mmInfoCodeGen = nullptr;
    QPlainTextEdit* mmInfoTLCodeGen = nullptr;
};

class TCodeGenOps {
public:
    // `ui` is read at every call: it may be filled after construction. `send`
    // sends the log's text as one command line (the window's bbSendComdClick).
    TCodeGenOps(TLog& log, const TCodeGenControls& ui, std::function<void()> send);

    // Sends the log's text as one command line; tests put a stub here.
    std::function<void()> sendCommandLine;

    // Bytes of the generated codes; empty: the system-seeded generator.
    TCodeByteSource randomByte;

    void Button5Click();
    void Button7Click();
    void mmInfoCodeGenDblClick();
    void mmInfoTLCodeGenDblClick();

    // Installs the double-click hooks on the two memos.
    void attach();

private:
    void sendCaretLine(const QPlainTextEdit* memo);

    TLog& log_;
    const TCodeGenControls& ui_;
};
