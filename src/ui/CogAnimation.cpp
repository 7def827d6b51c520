#include "ui/CogAnimation.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QtMath>

namespace {

constexpr int kTeeth = 10;
constexpr int kFrameMilliseconds = 40;
constexpr qreal kDegreesPerFrame = 6.0;

// A wheel of radius 1 with teeth: the outline alternates between the root and the tip circle.
QPainterPath cogOutline()
{
    QPainterPath path;
    constexpr qreal root = 0.74;
    constexpr qreal tip = 1.0;
    const qreal step = 2 * M_PI / kTeeth;
    for (int tooth = 0; tooth < kTeeth; ++tooth) {
        const qreal start = tooth * step;
        const qreal points[][2] = {
            {start, root}, {start + step * 0.18, tip}, {start + step * 0.5, tip}, {start + step * 0.68, root}};
        for (const auto& [angle, radius] : points) {
            const QPointF point(radius * qCos(angle), radius * qSin(angle));
            if (path.elementCount() == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
    }
    path.closeSubpath();
    path.addEllipse(QPointF(0, 0), 0.32, 0.32);
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

} // namespace

CogAnimation::CogAnimation(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(kFrameMilliseconds);
    connect(m_timer, &QTimer::timeout, this, &CogAnimation::advance);
}

void CogAnimation::play()
{
    m_timer->start();
}

void CogAnimation::stop()
{
    m_timer->stop();
}

bool CogAnimation::isPlaying() const
{
    return m_timer->isActive();
}

QSize CogAnimation::sizeHint() const
{
    return {56, 56};
}

void CogAnimation::advance()
{
    m_angle = std::fmod(m_angle + kDegreesPerFrame, 360.0);
    update();
}

void CogAnimation::paintEvent(QPaintEvent*)
{
    static const QPainterPath outline = cogOutline();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = std::min(width(), height()) / 2.0 - 1;
    painter.translate(width() / 2.0, height() / 2.0);
    painter.rotate(m_angle);
    painter.scale(radius, radius);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Highlight));
    painter.drawPath(outline);
}
