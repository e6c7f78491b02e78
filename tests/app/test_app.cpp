// The application shell: the window as it starts, its menu, the log and memo buttons,
// the splash, the two dialogs built with the window, and closing during a wait.
#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "app/splashUnit.h"
#include "discovery/chooseOndixUnit.h"
#include "rts/remoteProgUnit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns about every top-level window it sizes; keep the log readable.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    previousHandler(type, context, message);
}

std::unique_ptr<TfmPrincipal> makeWindow()
{
    return std::make_unique<TfmPrincipal>(nullptr, /*showSplash*/ false);
}

QString captionOf(const QObject* o)
{
    if (auto* b = qobject_cast<const QAbstractButton*>(o))
        return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(o))
        return g->title();
    if (auto* l = qobject_cast<const QLabel*>(o))
        return l->text();
    if (auto* e = qobject_cast<const QLineEdit*>(o))
        return e->text();
    return QStringLiteral("<no caption>");
}

// A wait whose polls do not process events; the first poll closes the window.
class TClosingWaiter : public TPollWaiter {
public:
    void poll(TfmPrincipal& window, const std::function<bool()>&) override
    {
        if (++polls == 1)
            window.close();
    }
    int polls = 0;
};

}  // namespace

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(quietHandler);
        TDialogs::setScripted(true);
    }
    void init() { TDialogs::resetScript(); }

    void captions_data();
    void captions();
    void unnamedLabels_data();
    void unnamedLabels();
    void initialStates_data();
    void initialStates();
    void addressBoxesStayEditable();
    void tabs();
    void windowAtStart();
    void radioGroupsAreSeparate_data();
    void radioGroupsAreSeparate();

    void menuToggles();
    void menuItemsWithoutAction_data();
    void menuItemsWithoutAction();
    void menuSairClosesWindow();

    void clearButtons_data();
    void clearButtons();
    void copyButtons_data();
    void copyButtons();
    void logHelpers();

    void splash();
    void splashTimerClosesIt();
    void chooserDialog();
    void addRemoteDialog();

    void closeDuringWait();
    void dialogScript();
};

void TestApp::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const std::pair<const char*, const char*> rows[] = {
        {"bbSendComd", "Enviar"}, {"Button10", "Copiar para área de transferência"}, {"Button9", "Limpar"},
        {"GroupBox1", "Configuração de IP "}, {"ckbDHCPOn", "DHCP Ativo"},
        {"Button2", "Ler do Dispisitivo"}, {"Button3", "Gravar"}, {"bbGravaMacAddr", "Gravar MAC "},
        {"bbFindDevice", "Localizar Ondix"}, {"lbIPs", "Selecionar Ondix"}, {"GroupBox2", "\"Learnings\""},
        {"bbLearningRF", "Learning RF"}, {"rbSmartCapture", "Captura automatica"},
        {"rbRawCapture", "Captura \"Bruta\" ou \"Raw\""}, {"rbRCCapture", "Captura protocolo RTS"},
        {"GroupBox4", "Divisor "}, {"rb8", "8"}, {"rb16", "16"}, {"rb32", "32"},
        {"bbLearningIR", "Learning IR"}, {"rbIR_Auto", "Captura automatica"},
        {"rbIR_Raw", "Captura \"Bruta\" ou \"Raw\""}, {"GroupBox3", "Raw Data "}, {"Button1", "Limpar"},
        {"Button8", "Copiar para área de transferência"}, {"Button5", "Gerar códigos"},
        {"rbTC2_1", "TC2 - 1 Tecla"}, {"rbTC2_2", "TC2 - 2 Teclas"}, {"rbTC2_3", "TC2 - 3 teclas"},
        {"Button6", "Limpar"}, {"Button7", "Gerar código"}, {"Button4", "Limpar"},
        {"bbAddSomfy", "Adicionar Somfy"}, {"bbAddTube", "Adicionar Tube RTS"},
        {"bbDeleteRemote", "Carregar"}, {"bbRefreshRemotes", "Carregar"}, {"SpeedButton1", "UP"},
        {"SpeedButton2", "STOP"}, {"SpeedButton3", "DOWN"}, {"Button12", "Le"}, {"edAddr", "0"},
        {"edQtd", "128"}, {"Button11", "Grava"}, {"Button13", "Button13"}, {"IP_4", ""}, {"IP_3", ""},
        {"IP_2", ""}, {"IP_1", ""}, {"M_IP_4", ""}, {"M_IP_3", ""}, {"M_IP_2", ""}, {"M_IP_1", ""},
        {"GW_IP_4", ""}, {"GW_IP_3", ""}, {"GW_IP_2", ""}, {"GW_IP_1", ""}, {"macAddr0", ""},
        {"macAddr5", ""}, {"edPort", ""}, {"lbfwVersion", ""}, {"lbPN", ""},
    };
    for (const auto& [name, caption] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption);
}

void TestApp::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    auto window = makeWindow();
    // Unique among the window's own controls (the dialogs have their own Button1)
    const QList<QWidget*> found = window->centralWidget()->findChildren<QWidget*>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(captionOf(found.first()), caption);
}

void TestApp::unnamedLabels_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("text");
    const std::pair<const char*, const char*> rows[] = {
        {"TabItem1", "Endereço IP:"}, {"GroupBox1", "Mascara de IP:"}, {"GroupBox1", "Gateway IP:"},
        {"GroupBox1", "MAC:"},        {"GroupBox1", "Porta TCP:"},     {"TabItem6", "Address:"},
        {"TabItem6", "Qtd:"},         {"StatusBar1", "Versão de fw :"}, {"StatusBar1", "SN:"},
    };
    for (const auto& [container, text] : rows)
        QTest::newRow(text) << QString::fromLatin1(container) << QString::fromUtf8(text);
}

void TestApp::unnamedLabels()
{
    QFETCH(QString, container);
    QFETCH(QString, text);
    auto window = makeWindow();
    auto* parent = window->findChild<QWidget*>(container);
    QVERIFY(parent);
    QStringList texts;
    for (const QLabel* label : parent->findChildren<QLabel*>())
        texts << label->text();
    QVERIFY2(texts.contains(text), qPrintable(texts.join(QLatin1Char('|'))));
}

void TestApp::initialStates_data()
{
    // ownEnabled: the control's own state, whatever its container's
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ownEnabled");
    QTest::addColumn<bool>("hidden");
    const std::tuple<const char*, bool, bool> rows[] = {
        {"GroupBox1", false, false},      {"GroupBox2", false, false},     {"bbSendComd", false, false},
        {"pnControlesRTS", false, false}, {"pnCommand", false, false},     {"bbLearningRF", false, false},
        {"macAddr0", false, false},       {"macAddr3", false, false},      {"macAddr5", false, false},
        {"bbGravaMacAddr", true, true},   {"lbIPs", true, true},           {"cbIPs", true, true},
        {"rbRCCapture", true, true},      {"bbFindDevice", true, false},   {"bbLearningIR", true, false},
        {"Button2", true, false},         {"Button3", true, false},        {"mmInfo", true, false},
        {"overflowMenu", true, true},     {"TabControl1", true, false},    {"bbAddSomfy", true, false},
    };
    for (const auto& [name, enabled, hidden] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << enabled << hidden;
}

void TestApp::initialStates()
{
    QFETCH(QString, name);
    QFETCH(bool, ownEnabled);
    QFETCH(bool, hidden);
    auto window = makeWindow();
    window->show();
    auto* w = window->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(!w->testAttribute(Qt::WA_ForceDisabled), ownEnabled);
    QCOMPARE(w->isHidden(), hidden);
}

void TestApp::addressBoxesStayEditable()
{
    auto window = makeWindow();
    for (QLineEdit* box : {window->IP_4, window->IP_3, window->IP_2, window->IP_1}) {
        QVERIFY(box->isEnabled());
        QVERIFY(!window->GroupBox1->isAncestorOf(box));
    }
    // Shown left to right in dotted order
    window->show();
    QVERIFY(window->IP_4->x() < window->IP_3->x());
    QVERIFY(window->IP_3->x() < window->IP_2->x());
    QVERIFY(window->IP_2->x() < window->IP_1->x());
    QVERIFY(window->M_IP_4->x() < window->M_IP_1->x());
    QVERIFY(window->macAddr[0]->x() < window->macAddr[5]->x());
}

void TestApp::tabs()
{
    auto window = makeWindow();
    QTabWidget* tabs = window->TabControl1;
    const QStringList captions = {QStringLiteral("Configurações "), QStringLiteral("Captura de codigos RF / IR"),
                                  QStringLiteral("BL Code Generator"), QStringLiteral("TL Code Generator"),
                                  QStringLiteral("Controles RTS"), QStringLiteral("Flash M. Test")};
    QCOMPARE(tabs->count(), captions.size());
    for (int i = 0; i < tabs->count(); ++i) {
        QCOMPARE(tabs->tabText(i), captions[i]);
        QCOMPARE(tabs->widget(i)->objectName(), QStringLiteral("TabItem%1").arg(i + 1));
        QCOMPARE(tabs->isTabVisible(i), i != 5);
    }
    QCOMPARE(tabs->currentIndex(), 0);
}

void TestApp::windowAtStart()
{
    auto window = makeWindow();
    QCOMPARE(fmPrincipal, window.get());
    QCOMPARE(window->windowTitle(), QStringLiteral("OndixSetup - Configuração Ondix"));
    QCOMPARE(window->size(), QSize(927, 626));

    // No device on the fake cable
    QCOMPARE(window->lbStatusBar->text(), QStringLiteral("Ondix não conectada!"));
    QVERIFY(!window->usbDeviceFound);
    QVERIFY(!window->netDeviceFound);
    QCOMPARE(window->answerReady, 0);
    QCOMPARE(window->answerFill, 0);
    QCOMPARE(window->rtsSelectedRow, -1);
    QVERIFY(window->foundDevices.empty());
    QVERIFY(window->serialPort);

    QVERIFY(window->chooser && window->chooser->isHidden());
    QVERIFY(fmRemoteProg && fmRemoteProg->isHidden());
    QCOMPARE(fmRemoteProg->parent(), window.get());

    QVERIFY(!window->ckbDHCPOn->isChecked());
    QCOMPARE(window->mmInfo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(window->Splitter1->orientation(), Qt::Vertical);

    QVERIFY(window->TimerOndixFound->isSingleShot());
    QCOMPARE(window->TimerOndixFound->interval(), 100);
    QVERIFY(!window->TimerOndixFound->isActive());

    QTableWidget* grid = window->sgRTSCodes;
    QCOMPARE(grid->rowCount(), 0);
    QCOMPARE(grid->columnCount(), 5);
    const QStringList headers = {QStringLiteral("ID"), QStringLiteral("Tipo"), QStringLiteral("Key Code"),
                                 QStringLiteral("Rolling Code"), QStringLiteral("Remote ID")};
    for (int c = 0; c < 5; ++c)
        QCOMPARE(grid->horizontalHeaderItem(c)->text(), headers[c]);
    QCOMPARE(grid->columnWidth(0), 25);
    QCOMPARE(grid->columnWidth(1), 80);
    QCOMPARE(grid->columnWidth(2), 80);
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);

    QListWidget* menu = window->overflowMenu;
    QCOMPARE(menu->count(), 3);
    QCOMPARE(menu->item(0)->text(), QStringLiteral("Base de dados IR"));
    QCOMPARE(menu->item(1)->text(), QStringLiteral("Informações"));
    QCOMPARE(menu->item(2)->text(), QStringLiteral("Sair"));
}

void TestApp::radioGroupsAreSeparate_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QStringList>("checked");
    const QStringList defaults = {"rbSmartCapture", "rb16", "rbIR_Auto", "rbTC2_1"};
    QTest::newRow("defaults") << QString() << defaults;
    QTest::newRow("raw capture") << "rbRawCapture" << QStringList{"rbRawCapture", "rb16", "rbIR_Auto", "rbTC2_1"};
    QTest::newRow("divisor 32") << "rb32" << QStringList{"rbSmartCapture", "rb32", "rbIR_Auto", "rbTC2_1"};
    QTest::newRow("IR raw") << "rbIR_Raw" << QStringList{"rbSmartCapture", "rb16", "rbIR_Raw", "rbTC2_1"};
    QTest::newRow("TC2 3 keys") << "rbTC2_3" << QStringList{"rbSmartCapture", "rb16", "rbIR_Auto", "rbTC2_3"};
}

void TestApp::radioGroupsAreSeparate()
{
    QFETCH(QString, clicked);
    QFETCH(QStringList, checked);
    auto window = makeWindow();
    window->show();
    window->GroupBox2->setEnabled(true);
    if (!clicked.isEmpty()) {
        auto* button = window->findChild<QRadioButton*>(clicked);
        QVERIFY(button);
        button->click();
    }
    QStringList actual;
    for (const QRadioButton* r : window->findChildren<QRadioButton*>())
        if (r->isChecked())
            actual << r->objectName();
    actual.sort();
    checked.sort();
    QCOMPARE(actual, checked);
}

void TestApp::menuToggles()
{
    auto window = makeWindow();
    window->show();
    QVERIFY(!window->overflowMenu->isVisible());
    window->bbMenu->click();
    QVERIFY(window->overflowMenu->isVisible());
    window->bbMenu->click();
    QVERIFY(!window->overflowMenu->isVisible());
}

void TestApp::menuItemsWithoutAction_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("Base de dados IR") << 0;
    QTest::newRow("Informações") << 1;
}

void TestApp::menuItemsWithoutAction()
{
    QFETCH(int, row);
    auto window = makeWindow();
    window->show();
    window->logLine(QStringLiteral("linha"));
    window->bbMenu->click();
    QListWidget* menu = window->overflowMenu;
    QTest::mouseClick(menu->viewport(), Qt::LeftButton, {}, menu->visualItemRect(menu->item(row)).center());
    QVERIFY(window->isVisible());
    QVERIFY(menu->isVisible());  // the menu stays open after a click
    QCOMPARE(window->logLines(), QStringList{QStringLiteral("linha")});
    QCOMPARE(window->TabControl1->currentIndex(), 0);
}

void TestApp::menuSairClosesWindow()
{
    auto window = makeWindow();
    window->show();
    window->bbMenu->click();
    QListWidget* menu = window->overflowMenu;
    QTest::mouseClick(menu->viewport(), Qt::LeftButton, {}, menu->visualItemRect(menu->item(2)).center());
    QVERIFY(!window->isVisible());
}

void TestApp::clearButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("memo");
    QTest::newRow("log") << "Button9" << "mmInfo";
    QTest::newRow("raw data") << "Button1" << "mmRawData";
    QTest::newRow("BL generator") << "Button6" << "mmInfoCodeGen";
    QTest::newRow("TL generator") << "Button4" << "mmInfoTLCodeGen";
}

void TestApp::clearButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, memo);
    auto window = makeWindow();
    const QList<QPlainTextEdit*> memos = window->findChildren<QPlainTextEdit*>();
    QCOMPARE(memos.size(), 4);
    for (QPlainTextEdit* m : memos)
        m->setPlainText(m->objectName() + QStringLiteral("\nsegunda linha"));
    window->findChild<QPushButton*>(button)->click();
    for (QPlainTextEdit* m : memos) {
        if (m->objectName() == memo)
            QVERIFY(m->toPlainText().isEmpty());
        else
            QCOMPARE(m->toPlainText(), m->objectName() + QStringLiteral("\nsegunda linha"));
    }
}

void TestApp::copyButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("memo");
    QTest::addColumn<int>("selectFrom");  // -1: nothing selected
    QTest::newRow("log, nothing selected") << "Button10" << "mmInfo" << -1;
    QTest::newRow("log, part selected") << "Button10" << "mmInfo" << 3;
    QTest::newRow("raw data, nothing selected") << "Button8" << "mmRawData" << -1;
    QTest::newRow("raw data, part selected") << "Button8" << "mmRawData" << 5;
}

void TestApp::copyButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, memo);
    QFETCH(int, selectFrom);
    auto window = makeWindow();
    auto* m = window->findChild<QPlainTextEdit*>(memo);
    const QString text = QStringLiteral("sendir,1:8,1,37900\nsendrf,2,3,1,400\núltima linha");
    m->setPlainText(text);
    QTextCursor cursor = m->textCursor();
    cursor.setPosition(selectFrom < 0 ? 0 : selectFrom);
    if (selectFrom >= 0)
        cursor.setPosition(selectFrom + 4, QTextCursor::KeepAnchor);
    m->setTextCursor(cursor);
    QApplication::clipboard()->setText(QStringLiteral("antes"));
    window->findChild<QPushButton*>(button)->click();
    QCOMPARE(QApplication::clipboard()->text(), text);
    QCOMPARE(m->toPlainText(), text);
}

void TestApp::logHelpers()
{
    auto window = makeWindow();
    QVERIFY(window->logLines().isEmpty());
    window->logLine(QStringLiteral("Sem resposta!"));
    window->logLine(QString());
    window->logLine(QStringLiteral("CMD OK"));
    QCOMPARE(window->logLines(), (QStringList{QStringLiteral("Sem resposta!"), QString(), QStringLiteral("CMD OK")}));
    window->clearLog();
    QVERIFY(window->logLines().isEmpty());
}

void TestApp::splash()
{
    TfmSplash splash;
    QCOMPARE(splash.size(), QSize(500, 233));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.palette().color(QPalette::Window).rgba(), 0xFFC3C3C3u);
    QCOMPARE(splash.lbLoading->text(), QStringLiteral("Inicializando OndixSetup..."));
    QCOMPARE(splash.lbVersion->text(), QStringLiteral("Versão 2.0"));
    for (const QLabel* label : {splash.lbLoading, splash.lbVersion}) {
        QCOMPARE(label->font().pointSize(), 16);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::white));
    }
    QCOMPARE(splash.Timer1->interval(), 2000);
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    // Loading text at the bottom left, version at the bottom right
    QVERIFY(splash.lbLoading->geometry().left() < 40);
    QVERIFY(splash.lbVersion->geometry().right() > 460);
    QVERIFY(splash.lbLoading->geometry().bottom() > 190);
    QVERIFY(splash.Timer1->isActive());
    splash.Timer1Timer();
    QVERIFY(!splash.Timer1->isActive());
    QVERIFY(!splash.isVisible());
}

void TestApp::splashTimerClosesIt()
{
    TfmSplash splash;
    splash.Timer1->setInterval(1);  // the timer's own path, without waiting two seconds
    QTimer::singleShot(5000, &splash, &QDialog::reject);  // bound, should the timer fail
    QElapsedTimer clock;
    clock.start();
    splash.exec();
    QVERIFY(clock.elapsed() < 4000);
    QVERIFY(!splash.Timer1->isActive());
    QVERIFY(!splash.isVisible());
}

void TestApp::chooserDialog()
{
    auto window = makeWindow();
    TfmChooseOndix* chooser = window->chooser;
    QCOMPARE(chooser->size(), QSize(379, 214));
    QVERIFY(chooser->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(chooser->parent(), window.get());
    QCOMPARE(chooser->lbTitle->text(), QStringLiteral("Selecionar Ondix"));
    QCOMPARE(chooser->lbTitle->font().pointSize(), 14);
    QCOMPARE(chooser->Button1->text(), QStringLiteral("Fechar"));
    QCOMPARE(chooser->Button1->size(), QSize(41, 41));
    QCOMPARE(chooser->pnTop->height(), 41);
    chooser->show();
    QVERIFY(QTest::qWaitForWindowExposed(chooser));
    QCOMPARE(chooser->Button1->pos(), QPoint(0, 0));
    QCOMPARE(chooser->lvIPs->y(), 41);
    QCOMPARE(chooser->lvIPs->height(), 214 - 41);
    chooser->hide();
    QCOMPARE(chooser->lvIPs->objectName(), QStringLiteral("lvIPs"));
}

void TestApp::addRemoteDialog()
{
    auto window = makeWindow();
    TfmRemoteProg* dialog = fmRemoteProg;
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Adicionar Controle"));
    QCOMPARE(dialog->size(), QSize(546, 391));
    QVERIFY(!dialog->isTube);
    QCOMPARE(dialog->Label1->text(),
             QStringLiteral("Pressione o botão \"PROG\" localizado na parte de trás do controle já programado, "
                            "até que a cortina faça um movimento levemente para cima e para baixo. Se a cortina "
                            "realizou esse movimento, click no botão \"Adicionar\" ->>"));
    QCOMPARE(dialog->Label1->font().pointSize(), 14);
    QVERIFY(dialog->Label1->alignment() & Qt::AlignTop);
    QCOMPARE(dialog->Button1->text(), QStringLiteral("Adicionar"));
    QCOMPARE(dialog->Button1->size(), QSize(96, 49));

    // The button keeps to the bottom right corner when the dialog grows
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    dialog->resize(700, 500);
    QTRY_COMPARE(dialog->Button1->geometry().bottom(), dialog->height() - 11);
    QCOMPARE(dialog->Button1->geometry().right(), dialog->width() - 11);
    QVERIFY(dialog->Label1->geometry().left() < 20);
    dialog->hide();
}

void TestApp::closeDuringWait()
{
    auto window = makeWindow();
    window->show();
    auto waiter = std::make_unique<TClosingWaiter>();
    TClosingWaiter* polls = waiter.get();
    window->exchange.setWaiter(std::move(waiter));

    const bool counted = window->exchange.waitAnswer(1500);
    QVERIFY(!counted);
    QVERIFY2(polls->polls >= 1 && polls->polls < 10, "the close must end the wait at once");
    QVERIFY(window->isVisible());  // the close waited for the wait to return
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(!window->exchange.busy());
}

void TestApp::dialogScript()
{
    TDialogs::setNextAnswer(true);
    TDialogs::setNextAnswer(false);
    QVERIFY(TDialogs::messageDlg(nullptr, QStringLiteral("Tem certeza que deseja apagar controle ?")));
    QVERIFY(!TDialogs::messageDlg(nullptr, QStringLiteral("de novo")));
    QVERIFY(!TDialogs::messageDlg(nullptr, QStringLiteral("sem resposta na fila")));  // scripted: No
    TDialogs::showMessage(nullptr, QStringLiteral("aviso"));
    QCOMPARE(TDialogs::shownMessages(),
             (QStringList{QStringLiteral("Tem certeza que deseja apagar controle ?"), QStringLiteral("de novo"),
                          QStringLiteral("sem resposta na fila"), QStringLiteral("aviso")}));

    QDialog dialog;
    TDialogs::setModalScript([](QDialog& d) { d.accept(); });
    QCOMPARE(TDialogs::runModal(dialog), int(QDialog::Accepted));
    QCOMPARE(TDialogs::runModal(dialog), int(QDialog::Rejected));  // nothing queued
    QCOMPARE(TDialogs::modalRuns(), 2);
}

QTEST_MAIN(TestApp)
#include "test_app.moc"
