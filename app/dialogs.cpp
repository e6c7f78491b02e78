#include "app/dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <deque>
#include <memory>
#include <utility>

namespace {

struct TDialogScript {
    bool scripted = false;
    std::deque<bool> answers;
    std::deque<std::function<void(QDialog&)>> modalScripts;
    std::deque<QString> fileNames;
    std::deque<std::pair<bool, QString>> texts;  // given, text
    std::deque<TDialogs::TSaveChoice> saveChoices;
    QStringList shown;
    QStringList kinds;
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
    s.kinds << QStringLiteral("question");
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
    s.kinds << QStringLiteral("information");
    if (s.scripted)
        return;
    QMessageBox::information(parent, QString(), text);
}

void TDialogs::showError(QWidget* parent, const QString& text)
{
    TDialogScript& s = script();
    s.shown << text;
    s.kinds << QStringLiteral("error");
    if (s.scripted)
        return;
    QMessageBox::critical(parent, QString(), text);
}

QString TDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& suggested)
{
    return saveFileName(parent, caption, suggested, QString());
}

namespace {

// The next scripted file name, if any: true when the dialog is not to be shown.
bool scriptedFileName(QString& path)
{
    TDialogScript& s = script();
    if (!s.fileNames.empty()) {
        path = s.fileNames.front();
        s.fileNames.pop_front();
        return true;
    }
    path.clear();
    return s.scripted;
}

}  // namespace

QString TDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter)
{
    QString path;
    if (scriptedFileName(path))
        return path;
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

QString TDialogs::openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    QString path;
    if (scriptedFileName(path))
        return path;
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

std::optional<QString> TDialogs::inputText(
    QWidget* parent, const QString& title, const QString& label, const QString& text)
{
    TDialogScript& s = script();
    s.shown << label;
    s.kinds << QStringLiteral("input");
    if (!s.texts.empty()) {
        const auto [given, answer] = s.texts.front();
        s.texts.pop_front();
        if (!given)
            return std::nullopt;
        return answer;
    }
    if (s.scripted)
        return std::nullopt;
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(text);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

TDialogs::TSaveChoice TDialogs::askSave(QWidget* parent, const QString& text)
{
    TDialogScript& s = script();
    s.shown << text;
    s.kinds << QStringLiteral("question");
    if (!s.saveChoices.empty()) {
        const TSaveChoice choice = s.saveChoices.front();
        s.saveChoices.pop_front();
        return choice;
    }
    if (s.scripted)
        return TSaveChoice::cancel;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("OndixSetup"), text, QMessageBox::NoButton, parent);
    QPushButton* save = box.addButton(QStringLiteral("Salvar"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Descartar"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return TSaveChoice::save;
    if (box.clickedButton() == discard)
        return TSaveChoice::discard;
    return TSaveChoice::cancel;
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

bool TDialogs::installStandardTranslations()
{
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    auto translator = std::make_unique<QTranslator>(app);
    if (!translator->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(translator.release());
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
void TDialogs::setNextFileName(const QString& path)
{
    script().fileNames.push_back(path);
}
void TDialogs::setNextText(std::optional<QString> text)
{
    script().texts.emplace_back(text.has_value(), text.value_or(QString()));
}
void TDialogs::setNextSaveChoice(TSaveChoice choice)
{
    script().saveChoices.push_back(choice);
}
QStringList TDialogs::shownMessages()
{
    return script().shown;
}
QStringList TDialogs::shownKinds()
{
    return script().kinds;
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
    s.fileNames.clear();
    s.texts.clear();
    s.saveChoices.clear();
    s.shown.clear();
    s.kinds.clear();
    s.modalRuns = 0;
}
