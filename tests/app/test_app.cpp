// The application shell: the window as it starts, the log and memo buttons, the log
// files, the splash, the keyboard in the log and the chooser, and the standard dialogs.
#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "app/sessionLog.h"
#include "app/splashUnit.h"
#include "discovery/chooseOndixUnit.h"
#include "rts/remoteProgUnit.h"

#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QtMessageHandler previousHandler = nullptr;

std::unique_ptr<TfmPrincipal> makeWindow()
{
    return std::make_unique<TfmPrincipal>(nullptr, /*showSplash*/ false);
}

}  // namespace

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The offscreen platform warns about every top-level window it sizes; keep the log readable.
        previousHandler =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& m) {
                if (!m.contains("propagateSizeHints"_L1))
                    previousHandler(type, context, m);
            });
        TDialogs::setScripted(true);
    }
    void init() { TDialogs::resetScript(); }

    // The texts the user knows the tool by, odd spellings included.
    void captions()
    {
        auto window = makeWindow();
        QCOMPARE((QStringList {window->Button2->text(), window->bbGravaMacAddr->text(), window->GroupBox2->title(),
                     window->rbRawCapture->text(), window->edQtd->text(), fmRemoteProg->windowTitle()}),
            (QStringList {"Ler do Dispisitivo", "Gravar MAC ", "\"Learnings\"", "Captura \"Bruta\" ou \"Raw\"", "128",
                "Adicionar Controle"}));
        QStringList labels;
        for (const QLabel* label : window->findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains("Mascara de IP:") && labels.contains("Versão de fw :"));
    }

    // "name own-state visibility" before any device is found; the own state is the
    // control's, whatever its container's.
    void initialStates()
    {
        const QStringList expected = {"GroupBox1 off shown", "GroupBox2 off shown", "bbSendComd off shown",
            "pnControlesRTS off shown", "pnCommand off shown", "bbLearningRF off shown", "macAddr0 off shown",
            "macAddr5 off shown", "bbGravaMacAddr on hidden", "cbIPs on hidden", "rbRCCapture on hidden",
            "bbFindDevice on shown", "bbLearningIR on shown", "Button2 on shown", "overflowMenu on hidden"};
        auto window = makeWindow();
        window->show();
        QStringList actual;
        for (const QString& row : expected) {
            const QString name = row.section(u' ', 0, 0);
            const QWidget* w = window->findChild<QWidget*>(name);
            actual << (!w ? name + u" missing"_s
                          : u"%1 %2 %3"_s.arg(name, w->testAttribute(Qt::WA_ForceDisabled) ? u"off"_s : u"on"_s,
                              w->isHidden() ? u"hidden"_s : u"shown"_s));
        }
        QCOMPARE(actual, expected);
        // The device address stays editable outside the disabled box.
        QVERIFY(window->IP_4->isEnabled() && window->IP_1->isEnabled());
        QCOMPARE(fmPrincipal, window.get());
        QTabWidget* tabs = window->TabControl1;
        QVERIFY(!tabs->isTabVisible(tabs->indexOf(window->TabItem6)));  // the flash test, until "memoryTest"
        QCOMPARE(tabs->currentIndex(), 0);
    }

    // Clear empties its own memo only; copy takes the whole memo, whatever is selected.
    void memoButtons()
    {
        for (const auto& [button, memo, copies] :
            {std::tuple {"Button1", "mmRawData", false}, {"Button6", "mmInfoCodeGen", false},
                {"Button4", "mmInfoTLCodeGen", false}, {"Button10", "mmInfo", true}}) {
            auto window = makeWindow();
            const QList<QPlainTextEdit*> memos = window->findChildren<QPlainTextEdit*>();
            QStringList expected, after;
            for (QPlainTextEdit* m : memos) {
                m->setPlainText(m->objectName() + u",1:8,1,37900\nsendrf,2,3,1,400\núltima linha"_s);
                expected << (m->objectName() == memo && !copies ? QString() : m->toPlainText());
            }
            auto* target = window->findChild<QPlainTextEdit*>(memo);
            QTextCursor cursor(target->document());
            cursor.setPosition(3);
            cursor.setPosition(7, QTextCursor::KeepAnchor);
            target->setTextCursor(cursor);
            QApplication::clipboard()->setText(u"antes"_s);
            window->findChild<QPushButton*>(button)->click();
            for (QPlainTextEdit* m : memos)
                after << m->toPlainText();
            QCOMPARE(after, expected);
            QCOMPARE(QApplication::clipboard()->text(), copies ? expected[memos.indexOf(target)] : u"antes"_s);
        }
    }

    // The splash shows while the window starts and closes itself on its timer.
    void splash()
    {
        TfmSplash splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash) && splash.Timer1->isActive());
        splash.Timer1->start(1);  // the timer's own path, without waiting two seconds
        QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 4000);
    }

    // UDP 4040 held by a program that does not share it: the user is told at start.
    void takenPortReported()
    {
        QUdpSocket holder;
        if (!holder.bind(QHostAddress::AnyIPv4, 4040, QAbstractSocket::DontShareAddress))
            QSKIP("UDP port 4040 is taken here already");
        auto window = makeWindow();
        QCOMPARE(window->logLines(),
            QStringList {u"Não foi possível abrir a porta UDP 4040: "
                         u"outro programa a está usando. Sem ela nenhuma Ondix será encontrada nem responderá "
                         u"pela rede; feche o outro programa e abra o OndixSetup novamente."_s});
        holder.close();
        QVERIFY(makeWindow()->logLines().isEmpty());
    }

    // Tab leaves the log (it does not type a tab); in the chooser Return chooses, Escape
    // closes choosing none.
    void keyboard()
    {
        auto window = makeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->logLine(u"linha"_s);
        window->mmInfo->setFocus();
        QTest::keyClick(window->mmInfo, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != window->mmInfo);
        QCOMPARE(window->logLines(), QStringList {u"linha"_s});

        TfmChooseOndix* chooser = window->chooser;
        for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.3"})
            chooser->UpdateIPList(QString::fromLatin1(address));
        window->selectedDevice = -1;
        for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {  // Escape undoes the earlier choice
            chooser->show();
            QVERIFY(QTest::qWaitForWindowExposed(chooser));
            chooser->lvIPs->setCurrentRow(2);
            QTest::keyClick(chooser->lvIPs, Qt::Key(key));
            QCOMPARE(window->selectedDevice, key == Qt::Key_Return ? 2 : -1);
            QVERIFY(!chooser->isVisible());
        }
    }

    // Real message boxes (not scripted) with Qt's Portuguese translations installed: the
    // standard buttons read in Portuguese, an error has the error icon.
    void standardTextsInPortuguese()
    {
        QVERIFY(TDialogs::installStandardTranslations());
        TDialogs::setScripted(false);
        auto window = makeWindow();
        window->show();
        QStringList seen;
        std::function<void()> answer = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return QTimer::singleShot(20, answer);
            QStringList buttons;
            for (QAbstractButton* b : box->buttons())
                buttons << b->text().remove(u'&');
            buttons.sort();
            seen << u"%1 %2 %3"_s.arg(box->text()).arg(int(box->icon())).arg(buttons.join(u'/'));
            box->reject();
        };
        QTimer::singleShot(0, answer);
        QVERIFY(!TDialogs::messageDlg(window.get(), u"Apagar?"_s));
        QTimer::singleShot(0, answer);
        TDialogs::showError(window.get(), u"Falhou"_s);
        TDialogs::setScripted(true);
        QCOMPARE(seen,
            (QStringList {u"Apagar? %1 Não/Sim"_s.arg(int(QMessageBox::Question)),
                u"Falhou %1 OK"_s.arg(int(QMessageBox::Critical))}));
    }

    // "Salvar log" writes the log, as shown, to the file the user picks; a place that cannot
    // be written is said in an error box; a cancelled dialog writes nothing.
    void saveLog()
    {
        // where: "" cancelled, else a path under a temporary folder; %1 in status and errors: the path
        const QString unchanged = u"Ondix não conectada!"_s;
        for (auto [where, status, errors] : {std::tuple {u"log.txt"_s, u"Log salvo em %1"_s, QStringList {}},
                 {u"nowhere/log.txt"_s, unchanged,
                     QStringList {u"Não foi possível salvar o log em %1: o arquivo não pôde ser criado "
                                  u"(a pasta existe?)."_s}},
                 {QString(), unchanged, QStringList {}}}) {
            TDialogs::resetScript();
            QTemporaryDir dir;
            const QString path = where.isEmpty() ? QString() : dir.filePath(where);
            auto window = makeWindow();
            window->logLine(u"Leitura dos parâmetros realizada com sucesso!"_s);
            window->logLine(u"sendrf,2,4,1,30,930"_s);
            TDialogs::setNextFileName(path);
            QTest::mouseClick(window->bbSaveLog, Qt::LeftButton);
            QFile saved(path);
            if (errors.isEmpty() && !path.isEmpty()) {
                QVERIFY(saved.open(QIODevice::ReadOnly));
                QCOMPARE(QString::fromUtf8(saved.readAll()),
                    u"Leitura dos parâmetros realizada com sucesso!\nsendrf,2,4,1,30,930\n"_s);
            } else {
                QVERIFY(!saved.exists());
            }
            QCOMPARE(window->lbStatusBar->text(), status.contains(u"%1"_s) ? status.arg(path) : status);
            for (QString& e : errors)
                e = e.arg(path);
            QCOMPARE(TDialogs::shownMessages(), errors);
            QCOMPARE(TDialogs::shownKinds(), QStringList(errors.size(), u"error"_s));
        }
    }

    // The session log: every line, status and sent line of the window, behind the time; a
    // file that passes its size moves to .1, .2, .3 and the oldest goes.
    void sessionLogFile()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"dados/OndixSetup"_s);
        {
            auto log = std::make_unique<TSessionLog>(folder, 250);
            auto window = makeWindow();
            window->logLine(u"antes do registro"_s);
            window->setSessionLog(log.get());
            window->show();
            window->mmInfo->clear();
            window->mmInfo->setFocus();
            QTest::keyClicks(window->mmInfo, u"help"_s);
            QTest::keyClick(window->mmInfo, Qt::Key_Return);
            window->mmInfo->setPlainText(u"sendrf,2,5,1,300,900"_s);
            window->bbSendComdClick();  // no device: nothing leaves, the line is still noted
            window.reset();
        }
        QDir files(folder);
        const QStringList names = files.entryList(QDir::Files, QDir::Name);
        QVERIFY2(
            names.contains(u"OndixSetup.log"_s) && names.contains(u"OndixSetup.log.1"_s), qPrintable(names.join(u' ')));
        QString all;
        for (const QString& name :
            {u"OndixSetup.log.3"_s, u"OndixSetup.log.2"_s, u"OndixSetup.log.1"_s, u"OndixSetup.log"_s}) {
            QFile f(files.filePath(name));
            if (!f.open(QIODevice::ReadOnly))
                continue;
            QVERIFY2(f.size() <= 250, qPrintable(name));
            all += QString::fromUtf8(f.readAll());
        }
        const QStringList expected {u"=== OndixSetup: sessão iniciada ==="_s, u"antes do registro"_s,
            u"[status] Ondix não conectada!"_s, u"Commands:"_s, u"getRTS"_s, u"getClock"_s, u"setClock"_s,
            u"memoryTest"_s, u"[enviar] sendrf,2,5,1,300,900"_s, u"=== OndixSetup: sessão encerrada ==="_s};
        const QRegularExpression stamp(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "_s);
        QStringList lines = all.split(u'\n', Qt::SkipEmptyParts);
        for (QString& line : lines) {
            QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
            line.remove(stamp);
        }
        QCOMPARE(lines, expected);
        QCOMPARE(names.filter(QRegularExpression(u"^OndixSetup\\.log(\\.[1-3])?$"_s)).size(), names.size());

        // A new session appends to the same file.
        const qint64 before = QFileInfo(files.filePath(u"OndixSetup.log"_s)).size();
        {
            TSessionLog again(folder, 1 << 20);
        }
        QVERIFY(QFileInfo(files.filePath(u"OndixSetup.log"_s)).size() > before);
    }
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
