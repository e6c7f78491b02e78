// Learning a whole remote, the pure part: whether two presses agree, and the key lists and
// code names an installer starts from.
#include <QtTest>

#include "library/remoteLearning.h"

namespace {

libraryCode_t press(std::vector<uint16_t> captured, uint32_t frameLength = 0, uint32_t carrier = 38000,
    std::optional<libraryProtocol_t> protocol = std::nullopt, TCodeKind kind = TCodeKind::ir)
{
    libraryCode_t code;
    code.kind = kind;
    code.line = kind == TCodeKind::ir ? QStringLiteral("sendir,1:1,1,38000,1,1,1") : QStringLiteral("sendrf,2,1,1,1");
    code.captured = std::move(captured);
    code.frameLength = frameLength;
    code.carrier = kind == TCodeKind::ir ? carrier : 0;
    code.protocol = std::move(protocol);
    return code;
}

libraryProtocol_t nec(uint32_t command, uint32_t address = 0x04)
{
    return {QStringLiteral("nec"), address, command, 0};
}

const std::vector<uint16_t> frame {342, 171, 21, 64, 21, 21, 21, 1520};
const std::vector<uint16_t> frameTwice {342, 171, 21, 64, 21, 21, 21, 1520, 342, 171, 21, 64, 21, 21, 21, 1520};

}  // namespace

Q_DECLARE_METATYPE(libraryCode_t)

class TestRemoteLearning : public QObject {
    Q_OBJECT
private slots:
    void comparePresses_data()
    {
        QTest::addColumn<libraryCode_t>("first");
        QTest::addColumn<libraryCode_t>("second");
        QTest::addColumn<QString>("difference");  // empty: the same code

        const auto row = [](const char* tag, const libraryCode_t& first, const libraryCode_t& second,
                             const char* difference = "") {
            QTest::newRow(tag) << first << second << QString(difference);
        };
        const auto named = [](uint32_t command, uint32_t address = 0x04) {
            return press(frame, 0, 38000, nec(command, address));
        };
        row("named alike, durations apart", named(0x08), press({342, 86, 21}, 0, 38000, nec(0x08)));
        row("named, command differs", named(0x08), named(0x09), "comandos diferentes (0x08 e 0x09)");
        row("named, address differs", named(0x08), named(0x08, 0x05), "endereços diferentes (0x04 e 0x05)");
        row("named, protocol differs", named(0x08), press(frame, 0, 38000, libraryProtocol_t {"rc5", 0x04, 0x08, 0}),
            "protocolos diferentes (NEC e RC5)");
        row("only one named, durations differ", named(0x08), press({342, 171, 21, 21, 21, 21, 21, 1520}),
            "a duração 4 difere (64 e 21)");
        row("unnamed within 20 %", press(frame), press({300, 200, 23, 55, 19, 23, 21, 1520}));
        row("unnamed, 2 periods on a short pulse", press({10, 12, 10}), press({12, 10, 12}));
        row("unnamed, 3 periods on a short pulse", press({10, 12, 10}), press({10, 9, 10}),
            "a duração 2 difere (12 e 9)");
        row("unnamed beyond 20 %", press(frame), press({342, 130, 21, 64, 21, 21, 21, 1520}),
            "a duração 2 difere (171 e 130)");
        row("different counts", press(frame), press({342, 171, 21, 64, 21, 1520}),
            "quantidades de durações diferentes (7 e 5)");
        row("closing gap left out", press(frame), press({342, 171, 21, 64, 21, 21, 21, 9000}));
        row("the frames, not the captures", press(frameTwice, 8),
            press({342, 171, 21, 64, 21, 21, 21, 1300, 342, 171}, 8));
        row("carriers apart", press(frame, 0, 38000), press(frame, 0, 56000),
            "portadoras diferentes (38000 Hz e 56000 Hz)");
        row("carriers close", press(frame, 0, 38000), press(frame, 0, 37000));
        const auto rf = [](std::vector<uint16_t> d) { return press(std::move(d), 0, 0, {}, TCodeKind::rf); };
        const std::vector<uint16_t> rfFrame {30, 930, 90, 30, 30, 90, 90, 30, 30, 930};
        row("RF within tolerance", rf(rfFrame), rf({32, 900, 84, 28, 31, 95, 88, 30, 30, 500}));
        row("RF, a bit flipped", rf(rfFrame), rf({30, 930, 30, 90, 30, 90, 90, 30, 30, 930}),
            "a duração 3 difere (90 e 30)");
        row("IR against RF", press(frame), rf(frame), "uma captura é IR e a outra RF");
    }
    void comparePresses()
    {
        QFETCH(libraryCode_t, first);
        QFETCH(libraryCode_t, second);
        QFETCH(QString, difference);
        const pressComparison_t forth = ::comparePresses(first, second);
        QCOMPARE(forth.difference, difference);
        QCOMPARE(forth.same, difference.isEmpty());
        QCOMPARE(::comparePresses(second, first).same, difference.isEmpty());
    }

    // Blanks dropped; a key twice in another case; nothing typed.
    void keyLists()
    {
        const std::tuple<QString, QStringList, QString> rows[] = {
            {" Liga \n\n\t\nVolume +\r\n  Mudo", {"Liga", "Volume +", "Mudo"}, ""},
            {"Mudo\nOK\nmudo ", {}, "A tecla \"mudo\" aparece mais de uma vez."},
            {" \n \n", {}, "Nenhuma tecla para aprender."}};
        for (const auto& [typed, keys, error] : rows) {
            const keyList_t list = typedKeyList(typed);
            QCOMPARE(list.keys, keys);
            QCOMPARE(list.error, error);
        }
    }

    void templates()
    {
        QCOMPARE(airConditionerKeys({"Frio", "Quente"}, {"Auto"}, {22, 23}),
            QStringList({"Frio Auto 22°C", "Frio Auto 23°C", "Quente Auto 22°C", "Quente Auto 23°C", "Desliga"}));
        QCOMPARE(airConditionerKeys({}, {"Alta"}, {16}), QStringList {"Desliga"});
        // Every template's names can be filed side by side.
        for (TKeyTemplate t : {TKeyTemplate::tv, TKeyTemplate::receiver, TKeyTemplate::airConditioner})
            QVERIFY2(checkKeyNames(templateKeys(t)).isEmpty(), qPrintable(keyTemplateName(t)));
    }

    void namesCheckedUpFront()
    {
        TSiteLibrary library;
        libraryCode_t code = press(frame);
        code.name = QStringLiteral("TV Sala Mudo");
        QVERIFY(library.addCode(code).isEmpty());
        QCOMPARE(remoteCodeName(" TV Sala ", "Volume + "), "TV Sala Volume +");
        QCOMPARE(checkRemoteNames(library, "tv sala", {"Volume +", "mudo"}),
            "Já existe na biblioteca um código chamado \"TV Sala Mudo\". Escolha outro nome para o controle.");
        QCOMPARE(checkRemoteNames(library, "TV Quarto", {"Volume +", "Mudo"}), QString());
        QCOMPARE(checkRemoteNames(library, "  ", {"Mudo"}), "Dê um nome ao controle.");
        QCOMPARE(checkRemoteNames(library, "TV Sala", {"OK", "ok"}), "A tecla \"ok\" aparece mais de uma vez.");
    }
};

QTEST_GUILESS_MAIN(TestRemoteLearning)
#include "test_remote_learning.moc"
