// The one way the window asks the user something or tells something in a modal box.
// Tests script the answers here instead of clicking real dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

class TDialogs {
public:
    // Confirmation with the buttons Yes and No; true only for Yes.
    static bool messageDlg(QWidget* parent, const QString& text);
    // Information box with an OK button.
    static void showMessage(QWidget* parent, const QString& text);
    // Runs `dialog` modally and returns its result code (QDialog::Accepted / Rejected).
    static int runModal(QDialog& dialog);

    // ---- test hooks ---------------------------------------------------------------
    // Scripted mode: nothing is ever shown. A confirmation takes the next queued answer
    // (No when none is queued), a modal run takes the next queued script (the dialog is
    // rejected when none is queued). Every text asked or shown is recorded.
    static void setScripted(bool scripted);
    static void setNextAnswer(bool yes);
    static void setModalScript(std::function<void(QDialog&)> script);
    static QStringList shownMessages();  // texts of messageDlg and showMessage, in order
    static int modalRuns();  // how many times runModal was called
    static void resetScript();  // forget queued answers, scripts and records
};
