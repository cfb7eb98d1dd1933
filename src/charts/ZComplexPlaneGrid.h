#pragma once

#include <QFont>
#include <QGraphicsItem>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QVector>

namespace ZChart {

// The grid behind a Smith or polar chart, painted as vectors at whatever size the view has: the
// unit circle, resistance circles and reactance arcs (Smith) or magnitude circles and angle spokes
// (polar), each labelled. Arcs are clipped to the unit circle.
class ZComplexPlaneGrid : public QGraphicsItem
{
public:
    enum class EKind
    {
        SMITH,
        POLAR
    };
    enum
    {
        Type = QGraphicsItem::UserType + 3
    };

    // Resistance and reactance values of the Smith grid, magnitudes of the polar grid.
    static const QVector<double>& smithValues();
    static const QVector<double>& polarMagnitudes();
    static constexpr int POLAR_ANGLE_STEP = 30;

    explicit ZComplexPlaneGrid(QGraphicsItem* parent = nullptr);

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // Fits the unit circle into the plot area, leaving a margin for the labels outside it.
    void setPlotArea(const QRectF& plot, EKind kind);
    EKind kind() const { return m_kind; }
    QPointF center() const { return m_center; }
    // Radius of the unit circle in scene pixels; 0 when the plot area is too small for any grid.
    double radius() const { return m_radius; }
    // Margin left around the unit circle for the labels, for a plot area of the given side.
    static double labelMargin(double side);

    // Smith arcs in reflection-coefficient coordinates (centre, radius), before clipping.
    static QPair<QPointF, double> resistanceCircle(double r);
    static QPair<QPointF, double> reactanceCircle(double x);

private:
    void paintVectors(QPainter* painter, const QFont& font) const;
    void paintSmith(QPainter* painter, const QFont& font) const;
    void paintPolar(QPainter* painter, const QFont& font) const;
    // Draws the rim over the grid; true when labels follow, with the painter set for them.
    bool drawRim(QPainter* painter, const QFont& font, bool labelled) const;
    QPointF toScene(const QPointF& gamma) const;
    void drawLabel(QPainter* painter, const QPointF& anchor, const QString& text, Qt::Alignment align) const;

    EKind m_kind = EKind::SMITH;
    QRectF m_plot;
    QPointF m_center;
    double m_radius = 0.0;
    // The grid as last drawn on screen, with the label font it was drawn with.
    QPixmap m_cache;
    QFont m_cacheFont;
};

} // namespace ZChart
