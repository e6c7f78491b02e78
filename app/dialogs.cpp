#include "app/dialogs.h"

#include <QDialog>
#include <QMessageBox>

#include <deque>

namespace {

struct TDialogScript {
    bool scripted = false;
    std::deque<bool> answers;
    std::deque<std::function<void(QDialog&)>> modalScripts;
    QStringList shown;
    int modalRuns = 0;
};

TDialogScript& script()
{
    static TDialogScript state;
    return state;
}

}  // namespace

bool TDialogs::messageDlg(QWidget* parent, const QString& text)
{
    TDialogScript& s = script();
    s.shown << text;
    if (!s.answers.empty()) {
        const bool yes = s.answers.front();
        s.answers.pop_front();
        return yes;
    }
    if (s.scripted)
        return false;
    return QMessageBox::question(parent, QString(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void TDialogs::showMessage(QWidget* parent, const QString& text)
{
    TDialogScript& s = script();
    s.shown << text;
    if (s.scripted)
        return;
    QMessageBox::information(parent, QString(), text);
}

int TDialogs::runModal(QDialog& dialog)
{
    TDialogScript& s = script();
    ++s.modalRuns;
    if (!s.modalScripts.empty()) {
        auto run = std::move(s.modalScripts.front());
        s.modalScripts.pop_front();
        dialog.setResult(QDialog::Rejected);
        run(dialog);
        dialog.hide();
        return dialog.result();
    }
    if (s.scripted) {
        dialog.setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return dialog.exec();
}

void TDialogs::setScripted(bool scripted)
{
    script().scripted = scripted;
}
void TDialogs::setNextAnswer(bool yes)
{
    script().answers.push_back(yes);
}
void TDialogs::setModalScript(std::function<void(QDialog&)> run)
{
    script().modalScripts.push_back(std::move(run));
}
QStringList TDialogs::shownMessages()
{
    return script().shown;
}
int TDialogs::modalRuns()
{
    return script().modalRuns;
}

void TDialogs::resetScript()
{
    TDialogScript& s = script();
    s.answers.clear();
    s.modalScripts.clear();
    s.shown.clear();
    s.modalRuns = 0;
}
