#include "discovery/chooseOndixUnit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

TfmChooseOndix::TfmChooseOndix(QWidget* parent, int32_t& selection)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), selection_(selection)
{
    setObjectName(QStringLiteral("fmChooseOndix"));
    setWindowTitle(QStringLiteral("Selecionar Ondix"));
    setFixedSize(379, 214);

    pnTop = new QWidget(this);
    pnTop->setObjectName(QStringLiteral("pnTop"));
    pnTop->setFixedHeight(41);

    lbTitle = new QLabel(QStringLiteral("Selecionar Ondix"), pnTop);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    QFont titleFont = lbTitle->font();
    titleFont.setPointSize(14);
    lbTitle->setFont(titleFont);
    lbTitle->setAlignment(Qt::AlignCenter);
    lbTitle->setGeometry(0, 0, 379, 41);

    Button1 = new QToolButton(pnTop);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setText(QStringLiteral("Fechar"));
    Button1->setToolTip(QStringLiteral("Fechar"));
    Button1->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    Button1->setIconSize(QSize(24, 24));
    Button1->setAutoRaise(true);
    Button1->setGeometry(0, 0, 41, 41);

    lvIPs = new QListWidget(this);
    lvIPs->setObjectName(QStringLiteral("lvIPs"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnTop);
    layout->addWidget(lvIPs, 1);

    connect(Button1, &QToolButton::clicked, this, &TfmChooseOndix::Button1Click);
    connect(lvIPs, &QListWidget::itemClicked, this, &TfmChooseOndix::lvIPsItemClick);
    // The arrow keys move the highlight: the highlighted device is the choice.
    connect(lvIPs, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            selection_ = row;
    });
    // A double click anywhere in the list closes, also on its empty part.
    lvIPs->viewport()->installEventFilter(this);
}

void TfmChooseOndix::UpdateIPList(const QString& address)
{
    lvIPs->setUpdatesEnabled(false);
    lvIPs->addItem(address);
    lvIPs->setUpdatesEnabled(true);
}

void TfmChooseOndix::lvIPsItemClick(QListWidgetItem* item)
{
    if (lvIPs->count() > 0 && item)
        selection_ = lvIPs->row(item);
}

void TfmChooseOndix::lvIPsDblClick()
{
    close();
}

void TfmChooseOndix::Button1Click()
{
    selection_ = 0;
    close();
}

void TfmChooseOndix::cancel()
{
    selection_ = -1;
    close();
}

void TfmChooseOndix::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (QListWidgetItem* item = lvIPs->currentItem())
            lvIPsItemClick(item);
        lvIPsDblClick();
        return;
    case Qt::Key_Escape:
        cancel();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TfmChooseOndix::showEvent(QShowEvent* event)
{
    lvIPs->setFocus();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

bool TfmChooseOndix::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lvIPs->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        lvIPsDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
