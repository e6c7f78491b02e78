// The window's side of the site library: the library tab (the list of codes with its search,
// rename, delete and send), "Salvar código" after a learning, the RTS backups ("Salvar RTS",
// the automatic one before a remote is deleted, "Restaurar RTS") and the caption. The
// library itself, its file and the menu's create, open and save are TLibraryOps'.
#include "app/mainUnit.h"

#include "app/busyControls.h"
#include "app/dialogs.h"
#include "app/libraryModel.h"
#include "capture/remoteLearningDialog.h"
#include "device/siteRecords.h"
#include "library/codeExchange.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct TExportFormat {
    TCodeFormat format;
    const char* caption;
};
constexpr TExportFormat irFormats[] = {{TCodeFormat::line, "Linha da Ondix"}, {TCodeFormat::pronto, "Pronto Hex"},
    {TCodeFormat::gc, "Global Caché (iTach)"}, {TCodeFormat::irctl, "ir-ctl (microssegundos)"},
    {TCodeFormat::flipper, "Flipper (.ir)"}};
constexpr TExportFormat rfFormats[] = {
    {TCodeFormat::line, "Linha da Ondix"}, {TCodeFormat::rfraw, "Durações (unidade da Ondix)"}};

}  // namespace

void TfmPrincipal::buildLibraryTab()
{
    tabLibrary = new QWidget;
    tabLibrary->setObjectName(QStringLiteral("tabLibrary"));
    TabControl1->addTab(tabLibrary, QStringLiteral("Biblioteca"));
    auto* layout = new QVBoxLayout(tabLibrary);

    auto* top = new QHBoxLayout;
    lbLibrary = new QLabel(tabLibrary);
    lbLibrary->setObjectName(QStringLiteral("lbLibrary"));
    edSearchCode = new QLineEdit(tabLibrary);
    edSearchCode->setObjectName(QStringLiteral("edSearchCode"));
    edSearchCode->setPlaceholderText(QStringLiteral("Buscar pelo nome"));
    edSearchCode->setClearButtonEnabled(true);
    edSearchCode->setMinimumWidth(220);
    top->addWidget(lbLibrary, 1);
    top->addWidget(new QLabel(QStringLiteral("Buscar:"), tabLibrary));
    top->addWidget(edSearchCode);
    layout->addLayout(top);

    auto* row = new QHBoxLayout;
    libraryCodes = new TLibraryCodesModel(this);
    tvCodes = new QTableView(tabLibrary);
    tvCodes->setObjectName(QStringLiteral("tvCodes"));
    tvCodes->setModel(libraryCodes);
    tvCodes->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvCodes->setSelectionMode(QAbstractItemView::SingleSelection);
    tvCodes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvCodes->setTabKeyNavigation(false);
    tvCodes->setWordWrap(false);
    tvCodes->setAlternatingRowColors(true);
    // Rows of one height and columns of set widths: nothing measures every code.
    tvCodes->verticalHeader()->setVisible(false);
    tvCodes->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tvCodes->verticalHeader()->setDefaultSectionSize(tvCodes->fontMetrics().height() + 6);
    tvCodes->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    tvCodes->setColumnWidth(0, 280);
    tvCodes->setColumnWidth(1, 50);
    tvCodes->setColumnWidth(2, 120);
    tvCodes->horizontalHeader()->setStretchLastSection(true);
    tvCodes->installEventFilter(this);
    row->addWidget(tvCodes, 1);

    auto* buttons = new QVBoxLayout;
    const auto button = [&](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, tabLibrary);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    bbSendCode = button(QStringLiteral("bbSendCode"), QStringLiteral("Enviar código"));
    bbRenameCode = button(QStringLiteral("bbRenameCode"), QStringLiteral("Renomear"));
    bbDeleteCode = button(QStringLiteral("bbDeleteCode"), QStringLiteral("Apagar"));
    // The formats depend on the code chosen: the menu is filled as it opens.
    bbExportCode = new QToolButton(tabLibrary);
    bbExportCode->setObjectName(QStringLiteral("bbExportCode"));
    bbExportCode->setText(QStringLiteral("Copiar como"));
    bbExportCode->setToolTip(QStringLiteral("Copia o código para a área de transferência no formato escolhido"));
    bbExportCode->setPopupMode(QToolButton::InstantPopup);
    bbExportCode->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bbExportCode->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* formats = new QMenu(bbExportCode);
    formats->setObjectName(QStringLiteral("mnExportFormats"));
    bbExportCode->setMenu(formats);
    connect(formats, &QMenu::aboutToShow, this, [this, formats] {
        formats->clear();
        const libraryCode_t* code = library.library().findCode(selectedCodeName());
        if (!code)
            return;
        const auto add = [&](const TExportFormat& f) {
            const QString key = formatName(f.format);
            formats->addAction(QString::fromUtf8(f.caption), this, [this, key] { exportCodeClick(key); });
        };
        if (code->kind == TCodeKind::ir)
            for (const TExportFormat& f : irFormats)
                add(f);
        else
            for (const TExportFormat& f : rfFormats)
                add(f);
    });
    buttons->addWidget(bbExportCode);
    bbLearnRemote = button(QStringLiteral("bbLearnRemote"), QStringLiteral("Aprender controle..."));
    bbLearnRemote->setToolTip(
        QStringLiteral("Aprende as teclas de um controle remoto, uma a uma, e as salva na biblioteca"));
    bbSendCode->setToolTip(QStringLiteral("Envia o código à Ondix (duplo clique ou Enter na lista)"));
    bbRenameCode->setToolTip(QStringLiteral("Renomeia o código (F2)"));
    bbDeleteCode->setToolTip(QStringLiteral("Apaga o código da biblioteca (Del)"));
    buttons->addStretch(1);
    row->addLayout(buttons);
    layout->addLayout(row, 1);
}

void TfmPrincipal::wireLibrary()
{
    connect(&library, &TLibraryOps::changed, this, [this] { libraryChanged(); });
    learning.learnedChanged = [this] { updateLibraryButtons(); };
    rts.beforeDelete = [this](const eepromRemoteData_t& table) -> QString {
        if (!library.isOpen())
            return QStringLiteral("Nenhuma biblioteca aberta: o controle foi apagado sem cópia do RTS.");
        const QString mac = currentUnitMac();
        if (mac.isEmpty())
            return QStringLiteral("MAC da Ondix desconhecido: o controle foi apagado sem cópia do RTS.");
        library.library().addRtsBackup(ondixdevice::rtsBackupOf(table, mac));
        library.noteChanged();
        return QStringLiteral(
            "Cópia do RTS guardada na biblioteca antes de apagar (salve a biblioteca para mantê-la).");
    };

    connect(bbSaveCode, &QPushButton::clicked, this, [this] { bbSaveCodeClick(); });
    connect(edSearchCode, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString chosen = selectedCodeName();
        libraryCodes->setFilter(text);
        selectCode(chosen);
        updateLibraryButtons();
    });
    connect(tvCodes, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            sendLibraryCode(index.row());
    });
    connect(
        tvCodes->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateLibraryButtons(); });
    connect(bbSendCode, &QPushButton::clicked, this, [this] {
        const QModelIndexList rows = tvCodes->selectionModel()->selectedRows();
        if (!rows.isEmpty())
            sendLibraryCode(rows.first().row());
    });
    connect(bbRenameCode, &QPushButton::clicked, this, [this] { bbRenameCodeClick(); });
    connect(bbDeleteCode, &QPushButton::clicked, this, [this] { bbDeleteCodeClick(); });
    connect(bbLearnRemote, &QPushButton::clicked, this, [this] { bbLearnRemoteClick(); });
    connect(bbSaveRts, &QPushButton::clicked, this, [this] { bbSaveRtsClick(); });
    connect(bbRestoreRts, &QPushButton::clicked, this, [this] { bbRestoreRtsClick(); });
    libraryCodes->setLibrary(&library.library());
    libraryChanged();
}

void TfmPrincipal::setTitleBase(const QString& base)
{
    titleBase_ = base;
    updateTitle();
}

void TfmPrincipal::updateTitle()
{
    QString title = titleBase_;
    if (library.isOpen())
        title += QStringLiteral(" - ") + library.fileName() + (library.modified() ? QStringLiteral("*") : QString());
    setWindowTitle(title);
}

void TfmPrincipal::libraryChanged()
{
    const QString chosen = selectedCodeName();
    libraryCodes->refresh();
    selectCode(chosen);
    if (library.loading())
        lbLibrary->setText(QStringLiteral("Abrindo a biblioteca..."));
    else if (!library.isOpen())
        lbLibrary->setText(QStringLiteral("Nenhuma biblioteca aberta: crie ou abra uma no menu."));
    else
        lbLibrary->setText(
            QStringLiteral("%1: %2 códigos").arg(library.fileName()).arg(library.library().codes().size()));
    updateTitle();
    updateLibraryButtons();
}

void TfmPrincipal::updateLibraryButtons()
{
    const bool usable = library.isOpen() && !library.loading();
    const bool chosen = usable && !selectedCodeName().isEmpty();
    bbSaveCode->setEnabled(usable && learning.lastLearned().has_value());
    edSearchCode->setEnabled(usable);
    bbSendCode->setEnabled(chosen);
    bbRenameCode->setEnabled(chosen);
    bbDeleteCode->setEnabled(chosen);
    bbExportCode->setEnabled(chosen);
    bbLearnRemote->setEnabled(usable);
    bbSaveRts->setEnabled(usable);
    bbRestoreRts->setEnabled(usable);
}

void TfmPrincipal::bbLearnRemoteClick()
{
    if (!library.isOpen() || library.loading())
        return;
    TRemoteLearningDialog::learnRemote(
        this, session, exchange, library.library(), currentUnitMac(), [this] { library.noteChanged(); });
}

QString TfmPrincipal::selectedCodeName() const
{
    const QModelIndexList rows = tvCodes->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : libraryCodes->nameAt(rows.first().row());
}

void TfmPrincipal::selectCode(const QString& name)
{
    const int row = name.isEmpty() ? -1 : libraryCodes->rowOf(name);
    if (row < 0) {
        tvCodes->clearSelection();
        return;
    }
    const QModelIndex index = libraryCodes->index(row, 0);
    tvCodes->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tvCodes->scrollTo(index);
}

QString TfmPrincipal::currentUnitMac() const
{
    return settings.lastRecord ? ondixdevice::unitMacText(*settings.lastRecord) : QString();
}

bool TfmPrincipal::libraryKeyPress(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (tvCodes->currentIndex().isValid())
            sendLibraryCode(tvCodes->currentIndex().row());
        return true;
    case Qt::Key_F2:
        bbRenameCodeClick();
        return true;
    case Qt::Key_Delete:
        bbDeleteCodeClick();
        return true;
    default:
        return false;
    }
}

void TfmPrincipal::bbSaveCodeClick()
{
    if (!library.isOpen() || library.loading() || !learning.lastLearned())
        return;
    // A copy: the name is asked in a dialog, with the event loop running.
    const TLearningOps::TLearned learned = *learning.lastLearned();
    const QString mac = currentUnitMac();
    QString name;
    for (;;) {
        const std::optional<QString> typed =
            TDialogs::inputText(this, QStringLiteral("Salvar código"), QStringLiteral("Nome do código:"), name);
        if (!typed)
            return;
        name = *typed;
        auto code = ondixdevice::libraryCodeOf(learned.capture, learned.ir ? TCodeKind::ir : TCodeKind::rf, name, mac);
        if (!code)
            return;
        const QString error = library.library().addCode(std::move(*code));
        if (error.isEmpty())
            break;
        // A name taken or unusable: asked again, with what was typed.
        TDialogs::showError(this, error);
    }
    if (settings.lastRecord)
        library.library().noteUnit(ondixdevice::unitSeenOf(*settings.lastRecord, deviceIP));
    library.noteChanged();
    selectCode(name.trimmed());
    setStatus(QStringLiteral("Código \"%1\" salvo na biblioteca.").arg(name.trimmed()));
}

void TfmPrincipal::sendLibraryCode(int row)
{
    if (console.refuseWhenBusy())
        return;  // the log keeps what it shows
    const libraryCode_t* code = library.library().findCode(libraryCodes->nameAt(row));
    if (!code)
        return;
    // As "Enviar" sends: the line alone in the log, sent as the log's text.
    clearLog();
    logLine(code->line);
    if (!bbSendComd->isEnabled()) {
        setStatus(QStringLiteral("Conecte a Ondix!"));
        return;
    }
    bbSendComdClick();
}

void TfmPrincipal::bbRenameCodeClick()
{
    const QString name = selectedCodeName();
    if (name.isEmpty() || library.loading())
        return;
    QString typedName = name;
    for (;;) {
        const std::optional<QString> typed = TDialogs::inputText(
            this, QStringLiteral("Renomear código"), QStringLiteral("Novo nome do código:"), typedName);
        if (!typed)
            return;
        typedName = *typed;
        const QString error = library.library().renameCode(name, typedName);
        if (error.isEmpty())
            break;
        TDialogs::showError(this, error);
    }
    library.noteChanged();
    selectCode(typedName.trimmed());
}

void TfmPrincipal::bbDeleteCodeClick()
{
    const QString name = selectedCodeName();
    if (name.isEmpty() || library.loading())
        return;
    if (!TDialogs::messageDlg(this, QStringLiteral("Apagar o código \"%1\" da biblioteca?").arg(name)))
        return;
    const int row = libraryCodes->rowOf(name);
    const QString error = library.library().deleteCode(name);
    if (!error.isEmpty()) {
        TDialogs::showError(this, error);
        return;
    }
    library.noteChanged();
    // The next code takes the deleted one's place in the selection.
    selectCode(libraryCodes->nameAt(std::min(row, libraryCodes->rowCount() - 1)));
}

void TfmPrincipal::exportCodeClick(const QString& format)
{
    const libraryCode_t* code = library.library().findCode(selectedCodeName());
    if (!code)
        return;
    const std::optional<TCodeFormat> chosen = formatOfName(format);
    if (!chosen)
        return;
    const TParsed<QString> text = exportCode(*code, *chosen, true);
    if (!text) {
        TDialogs::showError(this, text.error);
        return;
    }
    // A line goes to the clipboard without the line break that ends it in a file.
    QString copied = *text.value;
    if (copied.count(QLatin1Char('\n')) == 1 && copied.endsWith(QLatin1Char('\n')))
        copied.chop(1);
    QGuiApplication::clipboard()->setText(copied);
    setStatus(QStringLiteral("Código \"%1\" copiado para a área de transferência.").arg(code->name));
}

QString TfmPrincipal::rtsBackupUnit()
{
    if (console.refuseWhenBusy() || !library.isOpen() || library.loading())
        return {};
    const QString mac = currentUnitMac();
    if (mac.isEmpty())
        TDialogs::showError(this, QStringLiteral("Localize a Ondix antes: o MAC da unidade não é conhecido."));
    return mac;
}

void TfmPrincipal::bbSaveRtsClick()
{
    const QString mac = rtsBackupUnit();
    if (mac.isEmpty())
        return;
    const auto link = session.route();
    if (!link)
        return;
    // Read now: the table kept is the one the unit holds.
    if (!rts.getRTS(*link, &rtsTable))
        return;  // the read's failure is in the log
    library.library().addRtsBackup(ondixdevice::rtsBackupOf(rtsTable, mac));
    if (settings.lastRecord)
        library.library().noteUnit(ondixdevice::unitSeenOf(*settings.lastRecord, deviceIP));
    library.noteChanged();
    logLine(QStringLiteral("Cópia do RTS da Ondix %1 guardada na biblioteca (%2 controles).")
                .arg(mac)
                .arg(std::min(rtsTable.count, uint32_t(rtsMaxRemotes))));
}

void TfmPrincipal::bbRestoreRtsClick()
{
    const QString mac = rtsBackupUnit();
    if (mac.isEmpty())
        return;
    const rtsBackup_t* latest = library.library().latestRtsBackup(mac);
    if (!latest) {
        TDialogs::showError(this, QStringLiteral("A biblioteca não tem cópia do RTS da Ondix %1.").arg(mac));
        return;
    }
    const rtsBackup_t backup = *latest;
    const QString taken = backup.takenAt.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    if (!TDialogs::messageDlg(this,
            QStringLiteral("Gravar na Ondix a cópia do RTS de %1 (%2 controles)? Nenhum código de rolagem volta "
                           "para trás: vale o maior entre a cópia e a Ondix.")
                .arg(taken)
                .arg(backup.remotes.size())))
        return;
    const auto link = session.route();
    if (!link)
        return;
    QString host;
    if (*link == TLinkKind::Network) {
        // Read and written at the address in the boxes, like every other write.
        QString boxError;
        host = ::addressFromBoxes({IP_4, IP_3, IP_2, IP_1}, &boxError);
        if (host.isEmpty()) {
            logLine(boxError);
            return;
        }
    }
    const TBusyControls hold({TabControl1}, {GroupBox1, GroupBox2, mmInfo}, {GroupBox1, GroupBox2, mmInfo, Button3});
    const ondixdevice::TRtsRestoreResult result = ondixdevice::restoreRts(libraryApi_, *link, host, backup);
    showResult(*this, result, true);
    if (!result.ok())
        return;
    logLine(QStringLiteral("RTS restaurado da cópia de %1.").arg(taken));
    for (const QString& line : result.lines)
        logLine(line);
    rtsTable = result.plan.table;
    parseRemotes(&rtsTable);
}
