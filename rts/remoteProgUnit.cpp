#include "rts/remoteProgUnit.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfmRemoteProg* fmRemoteProg = nullptr;

namespace {

constexpr int clientWidth = 546;
constexpr int clientHeight = 391;

// The back of a remote lying across the window, its PROG button marked by a leader line.
// Drawn in a 546 x 391 frame and stretched over the window.
void drawRemoteBack(QPainter& p, const QRectF& target)
{
    p.save();
    p.translate(target.topLeft());
    p.scale(target.width() / clientWidth, target.height() / clientHeight);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF body(40, 36, 330, 150);
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0.0, QColor(0xF4, 0xF4, 0xF2));
    shade.setColorAt(1.0, QColor(0xCF, 0xCF, 0xCB));
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 2));
    p.setBrush(shade);
    p.drawRoundedRect(body, 48, 48);

    // Battery cover with its grip ridges
    const QRectF cover(150, 62, 180, 98);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1.5, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(cover, 10, 10);
    p.setPen(QPen(QColor(0x9A, 0x9A, 0x9A), 2));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(300 + 6 * i, 92), QPointF(300 + 6 * i, 130));

    // Screw
    p.setPen(QPen(QColor(0x66, 0x66, 0x66), 1.5));
    p.setBrush(QColor(0xB8, 0xB8, 0xB8));
    p.drawEllipse(QPointF(112, 111), 7, 7);
    p.drawLine(QPointF(107, 111), QPointF(117, 111));

    // Wall-bracket slot
    p.setBrush(QColor(0xA8, 0xA8, 0xA4));
    p.drawRoundedRect(QRectF(58, 98, 22, 26), 6, 6);

    // The PROG button: a small recessed round button
    const QPointF prog(205, 111);
    p.setPen(QPen(QColor(0x33, 0x33, 0x33), 2));
    p.setBrush(QColor(0x5A, 0x5A, 0x5A));
    p.drawEllipse(prog, 9, 9);
    p.setPen(QPen(QColor(0xD0, 0x20, 0x20), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(prog, 15, 15);

    // Leader line to the word PROG
    const QPointF bend(250, 210);
    const QPointF end(420, 210);
    p.setPen(QPen(QColor(0xD0, 0x20, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(prog + QPointF(9, 11), bend);
    p.drawLine(bend, end);
    p.setBrush(QColor(0xD0, 0x20, 0x20));
    p.drawEllipse(end, 3.5, 3.5);

    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0xD0, 0x20, 0x20));
    p.drawText(QPointF(430, 221), QStringLiteral("PROG"));
    p.restore();
}

}  // namespace

TfmRemoteProg::TfmRemoteProg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fmRemoteProg"));
    setWindowTitle(QStringLiteral("Adicionar Controle"));
    resize(clientWidth, clientHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("Pressione o botão \"PROG\" localizado na parte de trás do controle já programado, "
                                   "até que a cortina faça um movimento levemente para cima e para baixo. Se a cortina "
                                   "realizou esse movimento, click no botão \"Adicionar\" ->>"));
    QFont labelFont = Label1->font();
    labelFont.setPointSize(14);
    Label1->setFont(labelFont);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);

    Button1 = new QPushButton(QStringLiteral("Adicionar"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedSize(96, 49);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label1, 1);
    bottom->addWidget(Button1, 0, Qt::AlignRight | Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addStretch(1);
    layout->addLayout(bottom);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TfmRemoteProg::Button1Click()
{
    if (onAdd && !onAdd(isTube))
        return;
    close();
}

void TfmRemoteProg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawRemoteBack(p, rect());
}

void TfmRemoteProg::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
