// Learning a whole remote against ondix-sim across a private network, with the captures the
// emulated unit hears given one per learn request: the sequencer alone over the device API,
// then the dialog driven through its controls.
#include <QtTest>
#include <QtWidgets>

#include "capture/remoteLearningDialog.h"
#include "device/remoteLearning.h"
#include "link/exchange.h"
#include "tests/support/simFixture.h"

using namespace ondixdevice;

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // the plan and the code name only the fields they set

namespace {

// An NEC press at 38 kHz in carrier periods: address 0x04, `command`, then a repeat code.
QJsonObject necPress(int command)
{
    QJsonArray d {342, 171};
    for (int byte : {0x04, 0xFB, command, 0xFF ^ command})
        for (int bit = 0; bit < 8; ++bit)
            d << 21 << ((byte >> bit) & 1 ? 64 : 21);
    for (int v : {21, 1520, 342, 86, 21})
        d << v;
    return {{"irValue", 38000}, {"delayMs", 100}, {"durations", d}};
}

}  // namespace

class TestRemoteLearningEndToEnd : public QObject {
    Q_OBJECT
    TSimFixture fx {"rlearn", 1, 17};
    std::unique_ptr<TDeviceSession> session_;
    std::unique_ptr<TExchange> exchange_;

    bool startSim(const QJsonArray& irCaptures) { return fx.startSim({QJsonObject {{"irCaptures", irCaptures}}}); }
    int learnRequests() const
    {
        return int(fx.net.simLog().count(
            QStringLiteral("RX UDP %1 <- %2:4040 45 4B 01 07").arg(fx.net.deviceAddress(0), fx.net.toolAddress())));
    }

private slots:
    void initTestCase() { QVERIFY(fx.up()); }
    void init()
    {
        session_ = std::make_unique<TDeviceSession>();
        exchange_ = std::make_unique<TExchange>(*session_);
    }
    void cleanup()
    {
        exchange_.reset(), session_.reset();
        fx.reset();
    }
    void cleanupTestCase() { fx.net.down(); }

    // Three keys; the second one's two presses differ once: caught, asked again, and all three
    // filed under the remote's name.
    void threeKeys()
    {
        QVERIFY(startSim({necPress(0x10), necPress(0x10), necPress(0x11), necPress(0x12), necPress(0x11),
            necPress(0x11), necPress(0x13), necPress(0x13)}));
        TDeviceApi api(*session_, *exchange_);
        TSiteLibrary library;
        const TRemoteLearningPlan plan {.remote = "TV Sala",
            .keys = {"Liga/Desliga", "Volume +", "Mudo"},
            .link = TLinkKind::Network,
            .host = fx.net.deviceAddress(0),
            .unitMac = "00:1A:2B:E7:11:0A"};
        TRemoteLearning learning(api, library, plan);
        QStringList presses;
        int filed = 0;
        TRemoteLearningEvents events;
        events.pressing = [&](int key, int press) { presses << QStringLiteral("%1.%2").arg(key).arg(press); };
        events.filed = [&](int) { ++filed; };

        QCOMPARE(learning.run(events), TRemoteLearning::TState::choosing);
        QCOMPARE(
            learning.problem(), "As duas capturas da tecla \"Volume +\" diferem: comandos diferentes (0x11 e 0x12).");
        QCOMPARE(learning.keys()[1].status, TKeyStatus::differs);
        QCOMPARE(library.codes().size(), size_t(1));
        learning.redo();
        QCOMPARE(learning.run(events), TRemoteLearning::TState::finished);

        QCOMPARE(presses, QStringList({"0.1", "0.2", "1.1", "1.2", "1.1", "1.2", "2.1", "2.2"}));
        QCOMPARE((std::pair {learnRequests(), filed}), (std::pair {8, 3}));
        QStringList codes;
        for (const libraryCode_t& code : library.codes()) {
            QVERIFY(code.protocol && code.line.startsWith(u"sendir,") && code.unitMac == plan.unitMac);
            codes << QStringLiteral("%1 %2").arg(code.name).arg(code.protocol->command, 0, 16);
        }
        QCOMPARE(codes, QStringList({"TV Sala Liga/Desliga 10", "TV Sala Volume + 11", "TV Sala Mudo 13"}));
    }

    // The dialog: a name clash told before anything is sent; a press that brings nothing
    // ("Sem resposta!") skipped; every control off while a learning waits.
    void dialog()
    {
        QVERIFY(startSim({necPress(0x20), QJsonValue(), necPress(0x21)}));
        exchange_->setWaiter(std::make_unique<TEventLoopWaiter>(1));  // a 1 s capture wait
        session_->netDeviceFound = true;
        session_->deviceIP = fx.net.deviceAddress(0);
        TSiteLibrary library;
        QVERIFY((library.addCode({.name = "Quarto Mudo", .line = "sendir,1:1,1,38000,1,1,342,171"}).isEmpty()));
        int filed = 0;
        TRemoteLearningDialog d(*session_, *exchange_, library, QString(), [&] { ++filed; });
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));

        d.cbKeyTemplate->setCurrentIndex(d.cbKeyTemplate->findText("TV"));
        QVERIFY(d.mmKeys->toPlainText().contains("\nVolume +\n"));
        d.mmKeys->setPlainText("Liga\n\nMudo\n");
        QTest::keyClicks(d.edRemoteName, "Quarto");
        QTest::mouseClick(d.bbStartRemote, Qt::LeftButton);
        QCOMPARE(d.lbLearningStatus->text(),
            "Já existe na biblioteca um código chamado \"Quarto Mudo\". Escolha outro nome para o controle.");
        QCOMPARE(learnRequests(), 0);

        // Labels have no change signal: a timer looks at the dialog while the learnings wait.
        QStringList shown {d.lbCurrentKey->text()};  // what the large label asked, in order
        bool anyEnabled = false, escaped = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &d, [&] {
            if (shown.value(shown.size() - 1, "-") != d.lbCurrentKey->text())
                shown << d.lbCurrentKey->text();
            if (!d.lbCountdown->text().startsWith(u"Tempo restante"))
                return;
            for (QWidget* w : std::initializer_list<QWidget*> {d.edRemoteName, d.mmKeys, d.bbStartRemote, d.bbRedoKey,
                     d.bbSkipKey, d.bbStopRemote, d.bbCloseRemote})
                anyEnabled = anyEnabled || w->isEnabled();
            if (!escaped)
                escaped = true, QTest::keyClick(&d, Qt::Key_Escape);  // refused while the Ondix is awaited
        });
        watch.start(2);
        d.edRemoteName->setText("TV Quarto");
        QTest::keyClick(d.edRemoteName, Qt::Key_Return);  // "Iniciar" is the default button
        QCOMPARE(d.lbLearningStatus->text(), "Sem resposta!");
        QVERIFY(d.isVisible() && escaped && !anyEnabled);
        QVERIFY(d.bbRedoKey->isEnabled() && d.bbSkipKey->isEnabled() && !d.bbStartRemote->isEnabled());
        QCOMPARE(d.lbCurrentKey->text(), "Tecla \"Liga\": Repetir, Pular ou Parar?");
        QCOMPARE(d.focusWidget(), d.bbRedoKey);
        QTest::keyClick(d.windowHandle(), Qt::Key_P, Qt::AltModifier);  // "&Pular"

        // A mnemonic clicks the button a moment later, as a click looks on screen.
        QTRY_COMPARE_WITH_TIMEOUT(
            d.lbLearningStatus->text(), "Controle \"TV Quarto\": 1 de 2 teclas salvas na biblioteca.", 10000);
        QTRY_COMPARE(shown.last(), QString());  // the watch sees the label cleared
        QCOMPARE(shown,
            QStringList({"", "Pressione a tecla \"Liga\" (1ª vez)", "Pressione a tecla \"Liga\" (2ª vez)",
                "Tecla \"Liga\": Repetir, Pular ou Parar?", "Pressione a tecla \"Mudo\" (1ª vez)",
                "Pressione a tecla \"Mudo\" (2ª vez)", ""}));
        QStringList rows;
        for (int i = 0; i < d.lwRemoteKeys->count(); ++i)
            rows << d.lwRemoteKeys->item(i)->text();
        QCOMPARE(rows, QStringList({"Liga — pulada", "Mudo — aprendida"}));
        QCOMPARE(filed, 1);
        QVERIFY(library.findCode("TV Quarto Mudo") && !library.findCode("TV Quarto Liga"));
        QVERIFY(d.bbStartRemote->isEnabled() && !d.bbRedoKey->isEnabled() && d.bbCloseRemote->isEnabled());
    }
};

ONDIX_NETWORK_TEST_MAIN(QApplication, TestRemoteLearningEndToEnd)

#include "test_remote_learning_e2e.moc"
