#include "app/splashUnit.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int splashWidth = 500;
constexpr int splashHeight = 233;

QLabel* whiteLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSize(16);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

// The logo, drawn in a 500 x 233 frame and stretched over whatever size the window has.
void drawLogo(QPainter& p, const QRectF& target)
{
    p.save();
    p.translate(target.topLeft());
    p.scale(target.width() / splashWidth, target.height() / splashHeight);
    p.setRenderHint(QPainter::Antialiasing);

    // Backdrop band
    QLinearGradient band(0, 0, 0, splashHeight);
    band.setColorAt(0.0, QColor(0x4A, 0x6F, 0x9C));
    band.setColorAt(1.0, QColor(0x23, 0x3A, 0x5C));
    p.fillRect(QRectF(0, 0, splashWidth, 178), band);

    // Emitter: a dot with three radiating arcs, the device sending a code
    const QPointF centre(92, 92);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xB3, 0x2E));
    p.drawEllipse(centre, 13, 13);
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        QPen pen(QColor(255, 255, 255, 255 - 55 * i), 7, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        const qreal r = 13 + 18 * i;
        p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
        p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 135 * 16, 90 * 16);
    }

    // Word mark
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(64);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    QPainterPath word;
    word.addText(170, 112, font, QStringLiteral("ONDIX"));
    p.setPen(QPen(QColor(0x1A, 0x2A, 0x40), 3));
    p.setBrush(Qt::white);
    p.drawPath(word);

    QFont sub(QStringLiteral("Sans Serif"));
    sub.setPixelSize(17);
    p.setPen(QColor(0xD8, 0xE4, 0xF2));
    p.setFont(sub);
    p.drawText(QPointF(174, 142), QStringLiteral("Setup"));

    // Accent line under the band
    p.fillRect(QRectF(0, 178, splashWidth, 4), QColor(0xFF, 0xB3, 0x2E));
    p.restore();
}

}  // namespace

TfmSplash::TfmSplash(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("fmSplash"));
    setFixedSize(splashWidth, splashHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgba(0xFFC3C3C3));
    setPalette(palette);

    lbLoading = whiteLabel(QStringLiteral("Inicializando OndixSetup..."), this);
    lbLoading->setObjectName(QStringLiteral("lbLoading"));
    lbVersion = whiteLabel(QStringLiteral("Versão 2.0"), this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lbLoading, 0, Qt::AlignLeft | Qt::AlignBottom);
    bottom->addStretch(1);
    bottom->addWidget(lbVersion, 0, Qt::AlignRight | Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 10);
    layout->addStretch(1);
    layout->addLayout(bottom);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);
    Timer1->setTimerType(Qt::PreciseTimer);  // the splash stays its full 2000 ms
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TfmSplash::Timer1Timer);
}

void TfmSplash::Timer1Timer()
{
    Timer1->stop();
    close();
}

void TfmSplash::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = (parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()))
        move(screen->availableGeometry().center() - rect().center());
    if (!Timer1->isActive())
        Timer1->start();
    QDialog::showEvent(event);
}

void TfmSplash::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawLogo(p, rect());
}
