#include "charts/ChartImageRenderer.h"

#include <QBuffer>
#include <QChart>
#include <QDateTime>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>

#include "calibration/CalibrationManager.h"
#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "devicelink/DeviceManager.h"
#include "measurement/DataScanManager.h"

namespace ZChart {

namespace {

// The size at which the chart's own fonts read as they do on screen; larger images scale up.
constexpr double REFERENCE_WIDTH = 900.0;
constexpr double REFERENCE_HEIGHT = 675.0;
// The legend and caption never take more than this share of the picture's height.
constexpr double MAX_BAND_SHARE = 0.4;

QFont bandFont()
{
    QFont font;
    font.setPixelSize(13);
    return font;
}

QString calibrationText()
{
    if (!ZData::DataScanManager::isCalibrationApplied())
        return qtTrId("lp_image_calib_none");
    const QString id = ZData::DeviceManager::deviceInfo().identifier;
    const QString file = id.isEmpty() ? QString() : ZData::CalibrationManager::tableEntry(id);
    if (!file.isEmpty() && QFileInfo::exists(file))
        return qtTrId("lp_image_calib_file").arg(QFileInfo(file).fileName());
    return qtTrId("lp_image_calib_device");
}

// The SVG generator states its size in millimetres, which readers turn back into pixels at a
// resolution of their own; the picture's pixels are stated instead.
QByteArray withPixelSize(QByteArray svg, const QSize& size)
{
    const int head = svg.indexOf("<svg");
    const int end = head < 0 ? -1 : svg.indexOf('>', head);
    if (end <= head)
        return svg;
    QString element = QString::fromUtf8(svg.mid(head, end - head));
    element.replace(QRegularExpression(QStringLiteral("width=\"[^\"]*\"")),
                    QStringLiteral("width=\"%1\"").arg(size.width()));
    element.replace(QRegularExpression(QStringLiteral("height=\"[^\"]*\"")),
                    QStringLiteral("height=\"%1\"").arg(size.height()));
    svg.replace(head, end - head, element.toUtf8());
    return svg;
}

} // namespace

bool ChartImageRenderer::isValidSize(const QSize& size)
{
    return size.width() >= MIN_SIDE && size.height() >= MIN_SIDE && size.width() <= MAX_SIDE &&
           size.height() <= MAX_SIDE;
}

bool ChartImageRenderer::parseSize(const QString& text, QSize& size)
{
    const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,5})\\s*[xX\\x{00D7}]\\s*(\\d{1,5})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const QSize parsed(match.captured(1).toInt(), match.captured(2).toInt());
    if (!isValidSize(parsed))
        return false;
    size = parsed;
    return true;
}

bool ChartImageRenderer::isSupportedPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("svg");
}

double ChartImageRenderer::textScale(const QSizeF& size)
{
    return std::max(1.0, std::min(size.width() / REFERENCE_WIDTH, size.height() / REFERENCE_HEIGHT));
}

QStringList ChartImageRenderer::legendLines(const ZChartView* view)
{
    QStringList lines;
    if (!view || !view->marksTable())
        return lines;
    const ZMarksTable* table = view->marksTable();
    const QStringList readouts = table->readouts();
    for (int i = 0; i < readouts.size(); ++i) {
        const ZMark* mark = table->mark(i);
        QString position;
        if (mark && mark->isDTFType())
            position = QString::number(mark->data().dtf_position, 'f', 2) + QLatin1Char(' ') +
                       ChartEnumPrinter::unitName(view->targetUnit());
        else if (mark)
            position = QString::number(mark->data().frequency / 1e6, 'f', 2) + QLatin1Char(' ') +
                       qtTrId("lp_units_mhz");
        QStringList parts{position};
        for (const QString& part : readouts[i].split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            // A readout that names the position itself does not say it twice.
            const QString simple = part.simplified();
            if (!position.isEmpty() && simple.contains(position))
                parts.first() = simple;
            else
                parts.append(simple);
        }
        lines.append(QStringLiteral("%1   %2").arg(i + 1).arg(parts.join(QStringLiteral("   "))));
    }
    return lines;
}

QString ChartImageRenderer::caption(const ZChartView*)
{
    const QString id = ZData::DeviceManager::deviceInfo().identifier;
    const ZData::DS::RangeSliced range(ZData::DataScanManager::sweep());
    const QString mhz = qtTrId("lp_units_mhz");
    const QString sweep = qtTrId("lp_image_sweep")
                              .arg(QString::number(range.start() / 1e6, 'f', 3) + QLatin1Char(' ') + mhz,
                                   QString::number(range.stop() / 1e6, 'f', 3) + QLatin1Char(' ') + mhz)
                              .arg(ZData::DataScanManager::pointCount());
    return QStringList{id.isEmpty() ? qtTrId("lp_image_no_device") : id, sweep, calibrationText(),
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))}
        .join(QStringLiteral("  |  "));
}

void ChartImageRenderer::render(ZChartView* view, QPainter* painter, const QRectF& target)
{
    if (!view || !painter || !(target.width() >= 1.0) || !(target.height() >= 1.0))
        return;
    const double scale = textScale(target.size());
    const QSizeF logical = target.size() / scale;
    const QFont font = bandFont();
    const QFontMetricsF metrics(font);
    const QStringList lines = legendLines(view) << caption(view);
    double band = lines.size() * metrics.lineSpacing() + 8.0;
    // A small picture keeps the chart whole rather than a legend it has no room for.
    if (band > logical.height() * MAX_BAND_SHARE)
        band = 0.0;
    const QSizeF chartSize(logical.width(), logical.height() - band);
    const QColor background = view->chart()->backgroundBrush().color();

    painter->save();
    painter->translate(target.topLeft());
    painter->scale(scale, scale);
    painter->setClipRect(QRectF(QPointF(0, 0), logical));
    painter->fillRect(QRectF(QPointF(0, 0), logical), background);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::TextAntialiasing, true);

    view->layoutChart(chartSize);
    const QRectF source(QPointF(0, 0), chartSize);
    view->scene()->render(painter, source, source, Qt::IgnoreAspectRatio);
    view->layoutChart(QSizeF(view->viewport() ? view->viewport()->size() : view->size()));

    if (band > 0.0) {
        painter->setFont(font);
        const QRectF area(0.0, chartSize.height(), logical.width(), band);
        painter->fillRect(area, background.darker(130));
        double y = area.top() + 4.0;
        for (int i = 0; i < lines.size(); ++i) {
            const bool isCaption = i == lines.size() - 1;
            painter->setPen(isCaption ? QColor(190, 190, 190) : QColor(Qt::white));
            const QRectF row(8.0, y, logical.width() - 16.0, metrics.lineSpacing());
            painter->drawText(row, Qt::AlignLeft | Qt::AlignVCenter,
                              metrics.elidedText(lines[i], Qt::ElideRight, row.width()));
            y += metrics.lineSpacing();
        }
    }
    painter->restore();
}

bool ChartImageRenderer::save(ZChartView* view, const QString& path, const QSize& size, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!isSupportedPath(path))
        return fail(qtTrId("lp_err_chart_image_format") + path);
    if (!view || !isValidSize(size))
        return fail(qtTrId("lp_err_chart_image_size").arg(MIN_SIDE).arg(MAX_SIDE));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(qtTrId("lp_err_chart_image_cant_write") + path + QStringLiteral(" (") +
                    file.errorString() + QLatin1Char(')'));
    bool written = false;
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(view->chart()->title());
        QPainter painter;
        written = painter.begin(&generator);
        if (written) {
            render(view, &painter, QRectF(QPointF(0, 0), size));
            written = painter.end();
        }
        const QByteArray svg = withPixelSize(buffer.data(), size);
        written = written && file.write(svg) == svg.size();
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        render(view, &painter, QRectF(QPointF(0, 0), size));
        painter.end();
        written = image.save(&file, "PNG");
    }
    if (!written || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return fail(qtTrId("lp_err_chart_image_cant_write") + path);
    }
    if (!file.commit())
        return fail(qtTrId("lp_err_chart_image_cant_write") + path + QStringLiteral(" (") +
                    file.errorString() + QLatin1Char(')'));
    return true;
}

} // namespace ZChart
