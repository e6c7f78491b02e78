// The one way the window asks the user something or tells something in a modal box.
// Tests script the answers here instead of clicking real dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

class TDialogs {
public:
    // Confirmation with the buttons Yes and No; true only for Yes.
    static bool messageDlg(QWidget* parent, const QString& text);
    // Information box with an OK button.
    static void showMessage(QWidget* parent, const QString& text);
    // Error box (the error icon) with an OK button.
    static void showError(QWidget* parent, const QString& text);
    // Asks where to save a file, suggesting `suggested`; empty when the user cancels.
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested);
    // The same with a file filter ("Biblioteca OndixSetup (*.json)").
    static QString saveFileName(
        QWidget* parent, const QString& caption, const QString& suggested, const QString& filter);
    // Asks which file to open; empty when the user cancels.
    static QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter);
    // Asks for a line of text, offering `text`; nothing when the user cancels.
    static std::optional<QString> inputText(
        QWidget* parent, const QString& title, const QString& label, const QString& text);
    enum class TSaveChoice { save, discard, cancel };
    // Unsaved changes: "Salvar", "Descartar" or "Cancelar".
    static TSaveChoice askSave(QWidget* parent, const QString& text);
    // Runs `dialog` modally and returns its result code (QDialog::Accepted / Rejected).
    static int runModal(QDialog& dialog);
    // Installs Qt's own Brazilian Portuguese translations (qtbase_pt_BR from Qt's
    // translations folder) in the running application, so that standard buttons and
    // dialogs ("Sim", "Não", "Cancelar", the file dialog) speak the tool's language. False
    // when Qt's translations are not installed: those texts then stay in English.
    static bool installStandardTranslations();

    // ---- test hooks ---------------------------------------------------------------
    // Scripted mode: nothing is ever shown. A confirmation takes the next queued answer
    // (No when none is queued), a modal run takes the next queued script (the dialog is
    // rejected when none is queued). Every text asked or shown is recorded.
    static void setScripted(bool scripted);
    static void setNextAnswer(bool yes);
    static void setModalScript(std::function<void(QDialog&)> script);
    // The next saveFileName or openFileName returns `path` (cancelled, empty, when none is
    // queued).
    static void setNextFileName(const QString& path);
    // The next inputText returns `text`; nothing: cancelled (also when none is queued).
    static void setNextText(std::optional<QString> text);
    // The next askSave's answer (cancel when none is queued).
    static void setNextSaveChoice(TSaveChoice choice);
    // Texts of messageDlg, askSave, showMessage and showError, and inputText's label, in order.
    static QStringList shownMessages();
    // For each shown text, in the same order: "question", "information", "error" or "input".
    static QStringList shownKinds();
    static int modalRuns();  // how many times runModal was called
    static void resetScript();  // forget queued answers, scripts and records
};
