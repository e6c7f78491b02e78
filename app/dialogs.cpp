#include "app/dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <deque>
#include <memory>

namespace {

struct TDialogScript {
    bool scripted = false;
    std::deque<bool> answers;
    std::deque<std::function<void(QDialog&)>> modalScripts;
    std::deque<QString> fileNames;
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
    TDialogScript& s = script();
    if (!s.fileNames.empty()) {
        QString path = s.fileNames.front();
        s.fileNames.pop_front();
        return path;
    }
    if (s.scripted)
        return {};
    return QFileDialog::getSaveFileName(parent, caption, suggested);
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
    s.shown.clear();
    s.kinds.clear();
    s.modalRuns = 0;
}
