// The site library in the window over the fake cable (virtual clock): the menu's create and
// open, "Salvar código" after a learning, the library tab (list, search, rename, delete, send),
// the question on closing with unsaved changes, and the RTS backups (automatic before a
// deletion, restored without lowering a rolling code).
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/libraryModel.h"
#include "capture/remoteLearningDialog.h"
#include "device/siteRecords.h"
#include "tests/support/windowOnFakeCable.h"

using namespace Qt::StringLiterals;

namespace {

const QString unitMac = u"00:1A:2B:3C:4D:5E"_s;  // the emulated device's
const std::vector<uint16_t> irFrame {342, 171, 21, 21, 21, 64, 21, 64, 21, 1520};

// "id:rolling" of each remote, of the unit's table or of a backup.
template <typename TRemotes> QStringList rollingCodes(const TRemotes& table)
{
    QStringList out;
    for (const auto& r : table)
        out << u"%1:%2"_s.arg(remoteIdText(r.remoteId)).arg(r.rollingCode);
    return out;
}

libraryCode_t code(const QString& name, const QString& line = u"sendir,1:1,1,38000,1,1,342,171,21,1520"_s)
{
    libraryCode_t c;
    c.name = name;
    c.line = line;
    c.learnedAt = QDateTime(QDate(2026, 3, 14), QTime(15, 9), Qt::UTC);
    return c;
}

}  // namespace

class TestLibraryWindow : public QObject, TWindowOnFakeCable {
    Q_OBJECT
    QTemporaryDir home;
    QTemporaryDir dir;

    QString file(const QString& name) const { return dir.filePath(name); }

    // The window with the emulated unit found on the cable (its record read, so its MAC known).
    void build()
    {
        fakehid::plug();
        window = makeTestWindow();
        window->bbFindDeviceClick();
        QVERIFY(window->usbDeviceFound);
    }
    // A library created through the menu, holding `codes`.
    void createLibrary(const QString& name, const QList<libraryCode_t>& codes = {})
    {
        TDialogs::setNextFileName(file(name));
        window->overflowMenuClick(2);
        QVERIFY(window->library.isOpen());
        for (const libraryCode_t& c : codes)
            QCOMPARE(window->library.library().addCode(c), QString());
        window->library.noteChanged();
    }
    QStringList listed() const
    {
        QStringList rows;
        const auto* model = window->libraryCodes;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 3; ++c)
                cells << model->data(model->index(r, c)).toString();
            rows << cells.join(u' ').trimmed();
        }
        return rows;
    }
    // A view takes a double-click for one only after the press on the same row.
    void doubleClick(const QPoint& at)
    {
        QTest::mousePress(window->tvCodes->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(window->tvCodes->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(window->tvCodes->viewport(), Qt::LeftButton, {}, at);
    }

private slots:
    void initTestCase()
    {
        // The remembered library goes to a settings file of this run only.
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    }

    void init()
    {
        ondixsim::DeviceConfig config;
        std::vector<uint16_t> words;
        for (int copy = 0; copy < 3; ++copy)
            words.insert(words.end(), irFrame.begin(), irFrame.end());
        config.irCapture = ondixsim::Capture {words, 37900, 500};
        attachUnit(config);
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(file(name));
    }

    void cleanup()
    {
        if (window)
            window->library.library() = TSiteLibrary();  // nothing left to ask about
        detachUnit();
    }

    // A learning enables "Salvar código"; a name already taken is refused and asked again;
    // the code keeps the learned line and the unit's MAC.
    void saveCode()
    {
        build();
        createLibrary(u"casa.json"_s, {code(u"TV Liga"_s)});
        QVERIFY(!window->bbSaveCode->isEnabled());
        bool enabledWhileLearning = true;
        fakeWaiter(*window).atPoll(fakeWaiter(*window).polls() + 1,
            [&] { enabledWhileLearning = window->bbSaveCode->isEnabledTo(window->GroupBox2); });
        window->bbLearningIRClick();
        QVERIFY(!enabledWhileLearning);
        QVERIFY(window->bbSaveCode->isEnabled());
        const QString learned = window->logLines().value(0);
        QVERIFY(learned.startsWith(u"sendir,"_s));

        TDialogs::setNextText(u"tv liga"_s);
        TDialogs::setNextText(u" Receptor Liga "_s);
        window->bbSaveCode->click();

        QCOMPARE(TDialogs::shownKinds(), (QStringList {"input", "error", "input"}));
        const libraryCode_t* saved = window->library.library().findCode(u"Receptor Liga"_s);
        QVERIFY(saved);
        QCOMPARE((QStringList {saved->line, saved->unitMac}), (QStringList {learned, unitMac}));
        QCOMPARE(listed(), (QStringList {"TV Liga IR", "Receptor Liga IR"}));
        QCOMPARE(window->windowTitle(), u"OndixSetup - Configuração Ondix - casa.json*"_s);

        window->overflowMenuClick(4);  // written: the asterisk goes
        QCOMPARE(window->windowTitle(), u"OndixSetup - Configuração Ondix - casa.json"_s);
    }

    // The list follows the search as typed (case ignored); F2 renames, Del deletes after a Yes.
    void tab()
    {
        build();
        createLibrary(u"sala.json"_s, {code(u"Sala TV Liga"_s), code(u"Quarto TV"_s), code(u"SALA som"_s)});
        QCOMPARE(listed(), (QStringList {"Sala TV Liga IR", "Quarto TV IR", "SALA som IR"}));
        QCOMPARE(window->libraryCodes->data(window->libraryCodes->index(0, 3)).toString(),
            QDateTime(QDate(2026, 3, 14), QTime(15, 9), Qt::UTC).toLocalTime().toString(u"dd/MM/yyyy HH:mm"_s));

        QTest::keyClicks(window->edSearchCode, u"sal"_s);
        QCOMPARE(listed(), (QStringList {"Sala TV Liga IR", "SALA som IR"}));
        QTest::keyClicks(window->edSearchCode, u"a t"_s);
        QCOMPARE(listed(), (QStringList {"Sala TV Liga IR"}));
        window->edSearchCode->clear();

        window->tvCodes->selectRow(1);
        TDialogs::setNextText(u"sala som"_s);  // taken by another code: refused, asked again
        TDialogs::setNextText(u"Quarto Ventilador"_s);
        QTest::keyClick(window->tvCodes, Qt::Key_F2);
        QCOMPARE(TDialogs::shownKinds(), (QStringList {"input", "error", "input"}));
        QCOMPARE(listed(), (QStringList {"Sala TV Liga IR", "Quarto Ventilador IR", "SALA som IR"}));
        QCOMPARE(window->selectedCodeName(), u"Quarto Ventilador"_s);

        TDialogs::setNextAnswer(false);
        QTest::keyClick(window->tvCodes, Qt::Key_Delete);
        QCOMPARE(listed().size(), 3);
        TDialogs::setNextAnswer(true);
        QTest::keyClick(window->tvCodes, Qt::Key_Delete);
        QCOMPARE(TDialogs::shownMessages().last(), u"Apagar o código \"Quarto Ventilador\" da biblioteca?"_s);
        QCOMPARE(int(window->library.library().codes().size()), 2);
        QCOMPARE(listed(), (QStringList {"Sala TV Liga IR", "SALA som IR"}));
        QVERIFY(window->windowTitle().endsWith(u"sala.json*"_s));
    }

    // A double-click sends the code as "Enviar" sends the log's text; while another exchange
    // waits it does nothing but say so.
    void send()
    {
        build();
        const QString line = u"sendir,1:1,1,38000,1,1,342,171,21,1520"_s;
        createLibrary(u"envio.json"_s, {code(u"Outro"_s, u"sendir,1:1,1,38000,1,1,100,100"_s), code(u"TV"_s, line)});
        window->show();
        window->TabControl1->setCurrentWidget(window->tabLibrary);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QPoint onRow = window->tvCodes->visualRect(window->libraryCodes->index(1, 0)).center();
        {
            const TExchange::TScope busy(window->exchange);
            window->logLine(u"linha anterior"_s);
            fakehid::clearLogs();
            doubleClick(onRow);
            QVERIFY(fakehid::writtenFrames().empty());
            QCOMPARE(window->lbStatusBar->text(), u"Aguarde: a Ondix está ocupada com outra operação."_s);
            QVERIFY(window->logLines().contains(u"linha anterior"_s));
        }
        doubleClick(onRow);
        QCOMPARE(device->commandLines().empty() ? std::string() : device->commandLines().back(), line.toStdString());
        QCOMPARE(window->logLines().value(0), line);
    }

    // Closing with unsaved changes asks; Cancelar keeps the window, Descartar closes and
    // leaves the file as it was, Salvar writes it first.
    void closeAsks()
    {
        using enum TDialogs::TSaveChoice;
        for (const auto& [choice, closes, codesInFile] :
            {std::tuple {cancel, false, 0}, {discard, true, 0}, {save, true, 1}}) {
            cleanup();
            init();
            build();
            window->show();
            createLibrary(u"fechar.json"_s, {code(u"TV"_s)});
            TDialogs::setNextSaveChoice(choice);

            const bool closed = window->close();

            QCOMPARE(closed, closes);
            QCOMPARE(window->isVisible(), !closed);
            QCOMPARE(TDialogs::shownMessages(),
                QStringList {u"A biblioteca \"fechar.json\" tem alterações não salvas. Salvar antes?"_s});
            TSiteLibrary reread;
            QCOMPARE(reread.load(file(u"fechar.json"_s)), QString());
            QCOMPARE(int(reread.codes().size()), codesInFile);
            // Nothing unsaved: no question.
            window->library.library() = TSiteLibrary();
            TDialogs::resetScript();
            window->show();
            QVERIFY(window->close());
            QVERIFY(TDialogs::shownMessages().isEmpty());
        }
    }

    // Opening: the file's codes are listed; a refused file leaves the library open before as
    // it was (an error box from the menu, a log line at start).
    void open()
    {
        // content: empty for no such file
        for (const auto& [content, atStart, error] : {std::tuple {u"library"_s, false, QString()},
                 {u"{\"format\": \"OndixSetup library\", \"version\": 99, \"codes\": []}"_s, false, u"99"_s},
                 {QString(), true, u"Não foi possível abrir"_s}}) {
            cleanup();
            init();
            build();
            createLibrary(u"antes.json"_s, {code(u"Antes"_s)});
            const QString path = file(u"outra.json"_s);
            if (content == u"library") {
                TSiteLibrary other;
                other.addCode(code(u"Da outra"_s));
                QCOMPARE(other.save(path), QString());
            } else if (!content.isEmpty()) {
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(content.toUtf8());
            }
            QSignalSpy opened(&window->library, &TLibraryOps::opened);
            if (atStart) {
                QSettings(u"OndixSetup"_s, QCoreApplication::applicationName())
                    .setValue(TLibraryOps::lastPathKey(), path);
                window->library.openLast();
            } else {
                TDialogs::setNextSaveChoice(TDialogs::TSaveChoice::discard);  // "Antes" was not saved
                TDialogs::setNextFileName(path);
                window->overflowMenuClick(3);
            }
            QVERIFY(opened.wait(5000));

            if (error.isEmpty()) {
                QCOMPARE(listed(), QStringList {u"Da outra IR"_s});
                QCOMPARE(window->library.path(), path);
                QCOMPARE(QSettings(u"OndixSetup"_s, QCoreApplication::applicationName())
                             .value(TLibraryOps::lastPathKey())
                             .toString(),
                    path);
                continue;
            }
            QCOMPARE(window->library.path(), file(u"antes.json"_s));
            QCOMPARE(listed(), QStringList {u"Antes IR"_s});
            const QStringList errorsShown = TDialogs::shownKinds().filter(u"error"_s);
            if (atStart) {
                QVERIFY(errorsShown.isEmpty());
                QVERIFY(window->logLines().last().contains(error));
            } else {
                QCOMPARE(errorsShown.size(), 1);
                QVERIFY(TDialogs::shownMessages().last().contains(error));
            }
        }
    }

    // Before a remote is deleted the table as it stood goes into the open library; with none
    // open the deletion still goes ahead and the status says no copy was kept.
    void backupBeforeDelete()
    {
        for (const bool libraryOpen : {true, false}) {
            cleanup();
            init();
            device->config().rts = {{0, 0, 16, 5, {1, 2, 3}}, {0, 5, 32, 6, {4, 5, 6}}};
            build();
            if (libraryOpen)
                createLibrary(u"rts.json"_s);
            window->bbRefreshRemotesClick();
            window->sgRTSCodesSelectCell(1);
            TDialogs::setNextAnswer(true);

            window->bbDeleteRemoteClick();

            QCOMPARE(rollingCodes(device->config().rts), QStringList {u"01-02-03:16"_s});
            const auto& backups = window->library.library().rtsBackups();
            if (!libraryOpen) {
                QVERIFY(backups.empty());
                QVERIFY(window->lbStatusBar->text().contains(u"sem cópia do RTS"_s));
                continue;
            }
            QCOMPARE(int(backups.size()), 1);
            QCOMPARE(backups[0].unitMac, unitMac);
            QCOMPARE(rollingCodes(backups[0].remotes), (QStringList {u"01-02-03:16"_s, u"04-05-06:32"_s}));
            QVERIFY(window->windowTitle().endsWith(u"rts.json*"_s));
        }
    }

    // Restoring a backup (the merge rule: the device API's) asks first; No reads and writes
    // nothing, Yes writes and shows the unit's table again.
    void restore()
    {
        device->config().rts = {{0, 0, 4702, 167, {0x0A, 0xFF, 0x00}}};
        build();
        createLibrary(u"restaurar.json"_s);
        window->library.library().addRtsBackup(
            {unitMac, {}, {{0, 0, 4660, 167, {0x0A, 0xFF, 0x00}}, {0, 0, 16, 5, {1, 2, 3}}}});
        window->pnControlesRTS->setEnabled(true);
        TDialogs::setNextAnswer(false);
        fakehid::clearLogs();
        window->bbRestoreRts->click();
        QVERIFY(fakehid::writtenFrames().empty());
        TDialogs::setNextAnswer(true);
        window->bbRestoreRts->click();
        QCOMPARE(rollingCodes(device->config().rts), (QStringList {u"0A-FF-00:4702"_s, u"01-02-03:16"_s}));
        QCOMPARE(window->sgRTSCodes->rowCount(), 2);
    }
    // "Aprender controle..." opens on the window's library: each key learned twice and filed
    // under the remote's name shows in the tab at once, with the library marked changed.
    void learnRemote()
    {
        build();
        QVERIFY(!window->bbLearnRemote->isEnabled());
        createLibrary(u"controles.json"_s);
        window->overflowMenuClick(4);
        QVERIFY(window->bbLearnRemote->isEnabled());
        TDialogs::setModalScript([&](QDialog& shown) {
            auto& d = dynamic_cast<TRemoteLearningDialog&>(shown);
            d.edRemoteName->setText(u"Sala"_s);
            d.mmKeys->setPlainText(u"Liga\nMudo"_s);
            d.bbStartRemote->click();
        });
        window->bbLearnRemote->click();
        QCOMPARE(listed(), (QStringList {"Sala Liga IR", "Sala Mudo IR"}));
        QCOMPARE(window->library.library().findCode(u"Sala Mudo"_s)->unitMac, unitMac);
        QVERIFY(window->windowTitle().endsWith(u"controles.json*"_s));
    }
};

QTEST_MAIN(TestLibraryWindow)
#include "test_library_window.moc"
