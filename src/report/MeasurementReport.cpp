#include "report/MeasurementReport.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "core/AppPaths.h"
#include "charts/ZChartView.h"
#include "report/ReportChartRenderer.h"

namespace ZReport {

namespace {

constexpr double CHART_SHARE = 0.42; // two views fit on a page below a short header
constexpr double GAP_PT = 6.0;

QFont makeFont(double points, bool bold = false, bool monospace = false)
{
    QFont font(MeasurementReport::fontFamily(monospace));
    font.setPointSizeF(points);
    font.setBold(bold);
    if (monospace)
        font.setStyleHint(QFont::Monospace);
    return font;
}

// Lays the report out top to bottom. Run once without a painter to count the pages and once with
// one to draw them, so the footer can say "page i of n".
class Pages
{
public:
    Pages(QPdfWriter& writer, QPainter* painter, const TReportContent& content, int total)
        : m_writer(writer), m_painter(painter), m_content(content), m_total(total)
    {
        const QRect area = writer.pageLayout().paintRectPixels(writer.resolution());
        m_width = area.width();
        m_footer = points(22);
        m_bottom = area.height() - m_footer;
    }

    int run()
    {
        header();
        sweep();
        charts();
        markerTable();
        note();
        footer();
        return m_page;
    }

private:
    double points(double pt) const { return pt * m_writer.resolution() / 72.0; }
    double gap() const { return points(GAP_PT); }

    QRectF measure(const QFont& font, double width, const QString& text, int flags) const
    {
        const QFontMetricsF metrics(font, &m_writer);
        return metrics.boundingRect(QRectF(0, 0, width, 1e7), flags | Qt::TextWordWrap, text);
    }

    void newPage()
    {
        footer();
        if (m_painter)
            m_writer.newPage();
        ++m_page;
        m_y = 0;
    }

    void need(double height)
    {
        if (m_y > 0 && m_y + height > m_bottom)
            newPage();
    }

    void text(const QFont& font, double x, double y, double width, const QString& text,
              int flags = Qt::AlignLeft | Qt::AlignTop)
    {
        if (!m_painter)
            return;
        m_painter->setFont(font);
        m_painter->drawText(QRectF(x, y, width, 1e7), flags | Qt::TextWordWrap, text);
    }

    double paragraph(const QFont& font, const QString& body)
    {
        const double height = measure(font, m_width, body, Qt::AlignLeft).height();
        need(height);
        text(font, 0, m_y, m_width, body);
        m_y += height;
        return height;
    }

    void rule(double y, double thickness = 1.0)
    {
        if (!m_painter)
            return;
        m_painter->save();
        m_painter->setPen(QPen(QColor(90, 90, 90), points(thickness * 0.5)));
        m_painter->drawLine(QPointF(0, y), QPointF(m_width, y));
        m_painter->restore();
    }

    void heading(const QString& title)
    {
        const QFont font = makeFont(12, true);
        const double height = measure(font, m_width, title, Qt::AlignLeft).height();
        // A heading never stands alone at the foot of a page.
        need(height + points(40));
        m_y += gap();
        text(font, 0, m_y, m_width, title);
        m_y += height + gap() / 2;
    }

    // Label and value pairs in two columns.
    void pairs(const QVector<QPair<QString, QString>>& rows)
    {
        const QFont label = makeFont(10, true);
        const QFont value = makeFont(10);
        double labelWidth = 0;
        for (const auto& row : rows)
            labelWidth = qMax(labelWidth, measure(label, m_width, row.first, Qt::AlignLeft).width());
        labelWidth += points(12);
        for (const auto& row : rows) {
            const double height = qMax(measure(label, labelWidth, row.first, Qt::AlignLeft).height(),
                                       measure(value, m_width - labelWidth, row.second, Qt::AlignLeft).height());
            need(height);
            text(label, 0, m_y, labelWidth, row.first);
            text(value, labelWidth, m_y, m_width - labelWidth, row.second);
            m_y += height + points(1.5);
        }
    }

    void header()
    {
        paragraph(makeFont(18, true), m_content.title);
        m_y += gap();
        rule(m_y, 1.5);
        m_y += gap();
        QVector<QPair<QString, QString>> rows;
        rows.append({qtTrId("lp_report_date"),
                     m_content.created.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss t"))});
        rows.append({qtTrId("lp_report_program"), QStringLiteral("TolvekVNA %1").arg(m_content.programVersion)});
        if (m_content.analyserConnected) {
            rows.append({qtTrId("lp_report_analyser"), m_content.analyserId});
            rows.append({qtTrId("lp_report_firmware"), m_content.firmware});
        } else {
            rows.append({qtTrId("lp_report_analyser"), qtTrId("lp_report_no_analyser")});
        }
        pairs(rows);
    }

    void sweep()
    {
        heading(qtTrId("lp_report_sweep"));
        QVector<QPair<QString, QString>> rows;
        const QString hz = qtTrId("lp_units_hz");
        rows.append({qtTrId("lp_report_start"), QStringLiteral("%1 %2").arg(m_content.startHz).arg(hz)});
        rows.append({qtTrId("lp_report_stop"), QStringLiteral("%1 %2").arg(m_content.stopHz).arg(hz)});
        rows.append({qtTrId("lp_report_points"), QString::number(m_content.points)});
        rows.append({qtTrId("lp_report_bandwidth"),
                     m_content.bandwidth.isEmpty() ? QStringLiteral("-") : m_content.bandwidth});
        if (!m_content.measured)
            rows.append({qtTrId("lp_report_data"), qtTrId("lp_report_no_sweep")});
        rows.append({qtTrId("lp_report_calibration"), m_content.calibration});
        if (m_content.liveAverage >= 2)
            rows.append({qtTrId("lp_report_average"), qtTrId("lp_report_average_sweeps").arg(m_content.liveAverage)});
        if (m_content.elDelayEnabled)
            rows.append({qtTrId("lp_report_el_delay"), QStringLiteral("%1 ps").arg(m_content.elDelayPs)});
        pairs(rows);
    }

    void charts()
    {
        heading(qtTrId("lp_report_views"));
        if (m_content.views.isEmpty()) {
            paragraph(makeFont(10), qtTrId("lp_report_no_views"));
            return;
        }
        const QFont caption = makeFont(10.5, true);
        // Views that would stand taller than their share of the page at full width go two a row.
        const bool tall = m_width / ReportChartRenderer::aspectRatio(m_content.views.first().view) >
                          m_bottom * CHART_SHARE;
        const int columns = m_content.views.size() > 1 && tall ? 2 : 1;
        const double cellWidth = (m_width - gap() * (columns - 1)) / columns;
        for (int first = 0; first < m_content.views.size(); first += columns) {
            const int count = qMin(columns, m_content.views.size() - first);
            double captionHeight = 0;
            double chartHeight = 0;
            QVector<QSizeF> sizes;
            for (int k = 0; k < count; ++k) {
                const TReportView& entry = m_content.views[first + k];
                captionHeight =
                    qMax(captionHeight, measure(caption, cellWidth, entry.caption, Qt::AlignLeft).height());
                const double aspect = ReportChartRenderer::aspectRatio(entry.view);
                QSizeF size(cellWidth, cellWidth / aspect);
                if (size.height() > m_bottom * CHART_SHARE)
                    size = QSizeF(m_bottom * CHART_SHARE * aspect, m_bottom * CHART_SHARE);
                sizes.append(size);
                chartHeight = qMax(chartHeight, size.height());
            }
            need(captionHeight + gap() / 2 + chartHeight + gap());
            for (int k = 0; k < count; ++k) {
                const TReportView& entry = m_content.views[first + k];
                const double left = k * (cellWidth + gap());
                text(caption, left, m_y, cellWidth, entry.caption);
                if (m_painter && entry.view)
                    ReportChartRenderer::render(
                        *m_painter,
                        QRectF(left + (cellWidth - sizes[k].width()) / 2, m_y + captionHeight + gap() / 2,
                               sizes[k].width(), sizes[k].height()),
                        entry.view);
            }
            m_y += captionHeight + gap() / 2 + chartHeight + gap();
        }
    }

    void markerTable()
    {
        heading(qtTrId("lp_report_markers"));
        if (m_content.markers.isEmpty()) {
            paragraph(makeFont(10), qtTrId("lp_report_no_markers"));
            return;
        }
        const QFont head = makeFont(9, true);
        const QFont cell = makeFont(9);
        const QFont mono = makeFont(8.5, false, true);
        const double pad = points(3);
        const double columns[4] = {0.0, 0.24, 0.33, 0.53};
        const auto x = [&](int c) { return m_width * columns[c]; };
        const auto w = [&](int c) { return (c < 3 ? m_width * columns[c + 1] : m_width) - x(c) - pad; };
        const QStringList titles = {qtTrId("lp_report_col_view"), qtTrId("lp_report_col_marker"),
                                    qtTrId("lp_report_col_position"), qtTrId("lp_report_col_readout")};
        const auto headRow = [&] {
            double height = 0;
            for (int c = 0; c < 4; ++c)
                height = qMax(height, measure(head, w(c), titles[c], Qt::AlignLeft).height());
            for (int c = 0; c < 4; ++c)
                text(head, x(c), m_y, w(c), titles[c]);
            m_y += height + pad / 2;
            rule(m_y);
            m_y += pad / 2;
        };
        need(points(40));
        headRow();
        for (const TReportMarker& marker : m_content.markers) {
            const QString values[3] = {marker.view, QString::number(marker.number), marker.position};
            const QString readout = marker.readout.join(QLatin1Char('\n'));
            double height = measure(mono, w(3), readout, Qt::AlignLeft).height();
            for (int c = 0; c < 3; ++c)
                height = qMax(height, measure(cell, w(c), values[c], Qt::AlignLeft).height());
            if (m_y + height + pad > m_bottom) {
                newPage();
                headRow();
            }
            for (int c = 0; c < 3; ++c)
                text(cell, x(c), m_y, w(c), values[c]);
            text(mono, x(3), m_y, w(3), readout);
            m_y += height + pad / 2;
            if (m_painter) {
                m_painter->save();
                m_painter->setPen(QPen(QColor(200, 200, 200), points(0.3)));
                m_painter->drawLine(QPointF(0, m_y), QPointF(m_width, m_y));
                m_painter->restore();
            }
            m_y += pad / 2;
        }
    }

    void note()
    {
        if (m_content.note.isEmpty())
            return;
        heading(qtTrId("lp_report_note"));
        // Long notes flow on over pages paragraph by paragraph.
        for (const QString& part : m_content.note.split(QLatin1Char('\n')))
            paragraph(makeFont(10), part.isEmpty() ? QStringLiteral(" ") : part);
    }

    void footer()
    {
        if (!m_painter)
            return;
        const QFont font = makeFont(8);
        const double top = m_bottom + m_footer / 2;
        rule(top - points(3), 0.6);
        const QString left = m_content.title + QStringLiteral(" \u00b7 ") +
                             m_content.created.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
        text(font, 0, top, m_width * 0.7, left);
        text(font, m_width * 0.5, top, m_width * 0.5,
             qtTrId("lp_report_page").arg(m_page).arg(qMax(m_total, m_page)), Qt::AlignRight | Qt::AlignTop);
    }

    QPdfWriter& m_writer;
    QPainter* m_painter;
    const TReportContent& m_content;
    int m_total;
    double m_width = 0;
    double m_bottom = 0;
    double m_footer = 0;
    double m_y = 0;
    int m_page = 1;
};

void setUp(QPdfWriter& writer, const TReportContent& content)
{
    writer.setResolution(MeasurementReport::RESOLUTION_DPI);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(MeasurementReport::MARGIN_MM, MeasurementReport::MARGIN_MM,
                                               MeasurementReport::MARGIN_MM, MeasurementReport::MARGIN_MM),
                                     QPageLayout::Millimeter));
    writer.setTitle(content.title);
    writer.setCreator(QStringLiteral("TolvekVNA %1").arg(content.programVersion));
}

} // namespace

QString MeasurementReport::reportDir()
{
    return ZCore::AppPaths::baseDir() + QLatin1Char('/') + QLatin1String(REPORT_DIR_NAME);
}

QString MeasurementReport::fontFamily(bool monospace)
{
    const QString wanted = monospace ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans");
    if (QFontDatabase().hasFamily(wanted))
        return wanted;
    return monospace ? QFontDatabase::systemFont(QFontDatabase::FixedFont).family()
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

int MeasurementReport::pageCount(const TReportContent& content)
{
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter writer(&sink);
    setUp(writer, content);
    return Pages(writer, nullptr, content, 0).run();
}

bool MeasurementReport::write(const QString& path, const TReportContent& content, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        return fail(QStringLiteral("%1: a report is a .pdf file").arg(path));
    const int total = pageCount(content);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));
    bool drawn = false;
    {
        QPdfWriter writer(&file);
        setUp(writer, content);
        QPainter painter;
        if (painter.begin(&writer)) {
            Pages(writer, &painter, content, total).run();
            drawn = painter.end();
        }
    }
    if (!drawn || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(QStringLiteral("cannot write %1: %2").arg(path, reason));
    }
    if (!file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

} // namespace ZReport
