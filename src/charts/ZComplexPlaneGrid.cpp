#include "charts/ZComplexPlaneGrid.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace ZChart {

namespace {

// Below this plot side labels would cover the grid they name: only lines are drawn.
constexpr double MIN_LABELLED_SIDE = 140.0;

double labelPixels(double side)
{
    return std::clamp(side / 42.0, 8.0, 16.0);
}

QString valueText(double v)
{
    return QString::number(v, 'g', 3);
}

const QColor& gridColour()
{
    static const QColor c(120, 120, 120);
    return c;
}

const QColor& rimColour()
{
    static const QColor c(190, 190, 190);
    return c;
}

const QColor& labelColour()
{
    static const QColor c(200, 200, 200);
    return c;
}

} // namespace

const QVector<double>& ZComplexPlaneGrid::smithValues()
{
    static const QVector<double> values = {0.2, 0.5, 1.0, 2.0, 5.0};
    return values;
}

const QVector<double>& ZComplexPlaneGrid::polarMagnitudes()
{
    static const QVector<double> values = {0.2, 0.4, 0.6, 0.8, 1.0};
    return values;
}

ZComplexPlaneGrid::ZComplexPlaneGrid(QGraphicsItem* parent) : QGraphicsItem(parent)
{
    // Above the plot background, below the toolkit's series.
    setZValue(1.5);
}

double ZComplexPlaneGrid::labelMargin(double side)
{
    if (side < MIN_LABELLED_SIDE)
        return 2.0;
    // Room outside the rim for the widest label ("+j0.2", "-150°") beside its tick.
    return labelPixels(side) * 3.2;
}

QPair<QPointF, double> ZComplexPlaneGrid::resistanceCircle(double r)
{
    return {QPointF(r / (1.0 + r), 0.0), 1.0 / (1.0 + r)};
}

QPair<QPointF, double> ZComplexPlaneGrid::reactanceCircle(double x)
{
    return {QPointF(1.0, 1.0 / x), 1.0 / std::abs(x)};
}

void ZComplexPlaneGrid::setPlotArea(const QRectF& plot, EKind kind)
{
    prepareGeometryChange();
    m_plot = plot;
    m_kind = kind;
    m_center = plot.center();
    const double side = std::min(plot.width(), plot.height());
    m_radius = side > 4.0 ? std::max(1.0, side / 2.0 - labelMargin(side)) : 0.0;
    m_cache = QPixmap();
    update();
}

QRectF ZComplexPlaneGrid::boundingRect() const
{
    return m_plot;
}

QPointF ZComplexPlaneGrid::toScene(const QPointF& gamma) const
{
    return QPointF(m_center.x() + gamma.x() * m_radius, m_center.y() - gamma.y() * m_radius);
}

void ZComplexPlaneGrid::drawLabel(QPainter* painter, const QPointF& anchor, const QString& text,
                                  Qt::Alignment align) const
{
    const QFontMetricsF metrics(painter->font());
    const QSizeF size(metrics.horizontalAdvance(text), metrics.height());
    QPointF topLeft(anchor.x() - size.width() / 2.0, anchor.y() - size.height() / 2.0);
    if (align & Qt::AlignLeft)
        topLeft.setX(anchor.x());
    else if (align & Qt::AlignRight)
        topLeft.setX(anchor.x() - size.width());
    if (align & Qt::AlignTop)
        topLeft.setY(anchor.y());
    else if (align & Qt::AlignBottom)
        topLeft.setY(anchor.y() - size.height());
    painter->drawText(QRectF(topLeft, size), Qt::AlignCenter, text);
}

void ZComplexPlaneGrid::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget* widget)
{
    if (m_radius <= 0.0)
        return;
    QFont font = painter->font();
    font.setPixelSize(int(std::lround(labelPixels(std::min(m_plot.width(), m_plot.height())))));
    // On screen the series above the grid changes with every slice while the grid does not: it is
    // drawn once per size into a pixmap at the screen's resolution and copied from there. A picture
    // or a report (no widget, or a scaled painter) gets the vectors.
    const QTransform& transform = painter->worldTransform();
    const bool wholePixels = transform.type() <= QTransform::TxTranslate &&
                             transform.dx() == std::round(transform.dx()) &&
                             transform.dy() == std::round(transform.dy());
    if (!widget || !wholePixels) {
        paintVectors(painter, font);
        return;
    }
    const QRect area = m_plot.toAlignedRect();
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    if (m_cache.isNull() || m_cacheFont != font || m_cache.devicePixelRatioF() != ratio) {
        m_cache = QPixmap(area.size() * ratio);
        m_cache.setDevicePixelRatio(ratio);
        m_cache.fill(Qt::transparent);
        QPainter cachePainter(&m_cache);
        cachePainter.translate(-area.topLeft());
        paintVectors(&cachePainter, font);
        m_cacheFont = font;
    }
    painter->drawPixmap(area.topLeft(), m_cache);
}

void ZComplexPlaneGrid::paintVectors(QPainter* painter, const QFont& font) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    if (m_kind == EKind::SMITH)
        paintSmith(painter, font);
    else
        paintPolar(painter, font);
    painter->restore();
}

void ZComplexPlaneGrid::paintSmith(QPainter* painter, const QFont& font) const
{
    const bool labelled = std::min(m_plot.width(), m_plot.height()) >= MIN_LABELLED_SIDE;
    QPainterPath rim;
    rim.addEllipse(m_center, m_radius, m_radius);

    painter->save();
    painter->setClipPath(rim);
    painter->setPen(QPen(gridColour(), 1.0));
    painter->setBrush(Qt::NoBrush);
    for (double r : smithValues()) {
        const auto circle = resistanceCircle(r);
        painter->drawEllipse(toScene(circle.first), circle.second * m_radius, circle.second * m_radius);
    }
    for (double x : smithValues()) {
        for (double sign : {1.0, -1.0}) {
            const auto circle = reactanceCircle(sign * x);
            painter->drawEllipse(toScene(circle.first), circle.second * m_radius, circle.second * m_radius);
        }
    }
    painter->drawLine(toScene(QPointF(-1.0, 0.0)), toScene(QPointF(1.0, 0.0)));
    painter->restore();

    if (!drawRim(painter, font, labelled))
        return;
    const double gap = 3.0;
    for (double r : smithValues()) {
        // Where the resistance circle meets the real axis, on its left.
        const QPointF at = toScene(QPointF((r - 1.0) / (r + 1.0), 0.0));
        drawLabel(painter, at + QPointF(-gap, -gap), valueText(r), Qt::AlignRight | Qt::AlignBottom);
    }
    for (double x : smithValues()) {
        for (double sign : {1.0, -1.0}) {
            // Where the reactance arc meets the rim: gamma of the impedance j·x.
            const double xx = sign * x;
            const QPointF gamma((xx * xx - 1.0) / (xx * xx + 1.0), 2.0 * xx / (xx * xx + 1.0));
            const QPointF outward = gamma * (1.0 + gap / m_radius);
            Qt::Alignment align = gamma.x() > 0.25 ? Qt::AlignLeft : gamma.x() < -0.25 ? Qt::AlignRight : Qt::AlignHCenter;
            align |= gamma.y() > 0.25 ? Qt::AlignBottom : gamma.y() < -0.25 ? Qt::AlignTop : Qt::AlignVCenter;
            const QString text = (sign > 0 ? QStringLiteral("+j") : QStringLiteral("-j")) + valueText(x);
            drawLabel(painter, toScene(outward), text, align);
        }
    }
}

bool ZComplexPlaneGrid::drawRim(QPainter* painter, const QFont& font, bool labelled) const
{
    painter->setPen(QPen(rimColour(), 1.5));
    painter->drawEllipse(m_center, m_radius, m_radius);
    if (!labelled)
        return false;
    painter->setFont(font);
    painter->setPen(labelColour());
    return true;
}

void ZComplexPlaneGrid::paintPolar(QPainter* painter, const QFont& font) const
{
    const bool labelled = std::min(m_plot.width(), m_plot.height()) >= MIN_LABELLED_SIDE;
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(gridColour(), 1.0));
    for (double m : polarMagnitudes())
        if (m < 1.0)
            painter->drawEllipse(m_center, m * m_radius, m * m_radius);
    for (int deg = 0; deg < 360; deg += POLAR_ANGLE_STEP) {
        const double a = deg * M_PI / 180.0;
        painter->drawLine(m_center, toScene(QPointF(std::cos(a), std::sin(a))));
    }
    if (!drawRim(painter, font, labelled))
        return;
    const double gap = 3.0;
    for (double m : polarMagnitudes())
        drawLabel(painter, toScene(QPointF(m, 0.0)) + QPointF(-gap, -gap), valueText(m),
                  Qt::AlignRight | Qt::AlignBottom);
    for (int deg = 0; deg < 360; deg += POLAR_ANGLE_STEP) {
        const double a = deg * M_PI / 180.0;
        const QPointF gamma(std::cos(a), std::sin(a));
        Qt::Alignment align = gamma.x() > 0.25 ? Qt::AlignLeft : gamma.x() < -0.25 ? Qt::AlignRight : Qt::AlignHCenter;
        align |= gamma.y() > 0.25 ? Qt::AlignBottom : gamma.y() < -0.25 ? Qt::AlignTop : Qt::AlignVCenter;
        // Angles run from -150 to 180, as the phase chart's axis does.
        const int shown = deg > 180 ? deg - 360 : deg;
        drawLabel(painter, toScene(gamma * (1.0 + gap / m_radius)), QString::number(shown) + QChar(0x00B0),
                  align);
    }
}

} // namespace ZChart
