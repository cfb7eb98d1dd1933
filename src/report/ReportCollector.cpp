#include "report/ReportCollector.h"

#include <QFileInfo>
#include <QLocale>

#include "calibration/CalibrationManager.h"
#include "charts/ChartEnumPrinter.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "charts/ZMarksTable.h"
#include "core/AppVersion.h"
#include "devicelink/DeviceManager.h"
#include "devicelink/SerialPort.h"
#include "measurement/DataScanManager.h"

namespace ZReport {

using ZData::CalibrationManager;
using ZData::DataScanManager;
using ZData::DeviceManager;

QList<ZChart::ZChartView*> ReportCollector::shownViews(const QList<ZChart::ZChartView*>& views)
{
    QList<ZChart::ZChartView*> shown;
    for (ZChart::ZChartView* view : views)
        if (view && view->isActive())
            shown.append(view);
    return shown;
}

QString ReportCollector::frequencyText(quint64 hz)
{
    return QStringLiteral("%1 %2").arg(double(hz) / 1e6, 0, 'f', 6).arg(qtTrId("lp_units_mhz"));
}

QString ReportCollector::viewCaption(int index, const ZChart::ZChartView* view)
{
    const QString type = view && ZChart::isValidChartType(view->chartType())
                             ? ZChart::ChartEnumPrinter::displayName(view->chartType())
                             : QStringLiteral("-");
    return qtTrId("lp_report_view_caption").arg(index + 1).arg(type);
}

QVector<TReportMarker> ReportCollector::markers(const QString& caption, const ZChart::ZChartView* view)
{
    QVector<TReportMarker> rows;
    const ZChart::ZMarksTable* table = view ? view->marksTable() : nullptr;
    if (!table || !view->hasData())
        return rows;
    for (int i = 0; i < table->count(); ++i) {
        const ZChart::ZMark* mark = table->mark(i);
        TReportMarker row;
        row.view = caption;
        row.number = i + 1;
        if (mark->isDTFType())
            row.position = QStringLiteral("%1 %2")
                               .arg(mark->chartPoint().x(), 0, 'f', 3)
                               .arg(ZChart::ChartEnumPrinter::unitName(view->targetUnit()));
        else
            row.position = frequencyText(mark->scanPoint().frequency);
        for (QString line : mark->readout().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            while (line.endsWith(QLatin1Char(' ')) || line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            row.readout.append(line);
        }
        rows.append(row);
    }
    return rows;
}

namespace {
int placeOf(const ZChart::ZChartView* view, int listIndex)
{
    return view->corner() == ZChart::EChartArrangeCorners::NONE ? listIndex : int(view->corner());
}
} // namespace

QVector<TReportMarker> ReportCollector::markers(const QList<ZChart::ZChartView*>& views)
{
    QVector<TReportMarker> rows;
    for (int i = 0; i < views.size(); ++i)
        if (views[i])
            rows += markers(viewCaption(placeOf(views[i], i), views[i]), views[i]);
    return rows;
}

QString ReportCollector::calibrationText()
{
    const auto& calibration = CalibrationManager::calibration();
    if (!DataScanManager::isCalibrationApplied() || calibration.points() == 0)
        return qtTrId("lp_report_calibration_none");
    QString grid = qtTrId("lp_report_calibration_grid")
                       .arg(frequencyText(calibration.start()), frequencyText(calibration.stop()))
                       .arg(calibration.points());
    if (CalibrationManager::kitRecord() == CalibrationManager::EKitRecord::KIT)
        grid += QStringLiteral(", ") + qtTrId("lp_report_calibration_kit").arg(CalibrationManager::calibrationKit().name);
    const QString id = DeviceManager::deviceInfo().identifier;
    const QString file = id.isEmpty() ? QString() : CalibrationManager::tableEntry(id);
    if (!file.isEmpty() && QFileInfo(file).isFile()) {
        const QFileInfo info(file);
        return qtTrId("lp_report_calibration_user")
                   .arg(info.fileName(), info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm"))) +
               QStringLiteral(", ") + grid;
    }
    return qtTrId("lp_report_calibration_factory") + QStringLiteral(", ") + grid;
}

TReportContent ReportCollector::collect(const QList<ZChart::ZChartView*>& views, const QString& title,
                                        const QString& note)
{
    TReportContent content;
    content.title = title.trimmed().isEmpty() ? qtTrId("lp_report_default_title") : title.trimmed();
    content.note = note.trimmed();
    content.created = QDateTime::currentDateTime();
    content.programVersion = ZCore::AppVersion::text();
    const ZData::TDeviceInfo& info = DeviceManager::deviceInfo();
    content.analyserConnected = ZData::DM::SerialPort::isOpen() && !info.identifier.isEmpty();
    if (content.analyserConnected) {
        content.analyserId = info.identifier;
        content.firmware = info.firmwareVersion.toString();
    }
    const auto& sweep = DataScanManager::sweep();
    content.measured = DataScanManager::isFirstDataReceived();
    content.startHz = quint64(sweep.start());
    content.stopHz = quint64(sweep.stop());
    content.points = sweep.points();
    const int band = CalibrationManager::bandwidthIndex();
    if (band < info.bandwidths.size())
        content.bandwidth = QStringLiteral("%1 kHz").arg(info.bandwidths.at(band));
    content.calibration = calibrationText();
    content.liveAverage = DataScanManager::liveAverage();
    content.elDelayEnabled = DataScanManager::isElDelayEnabled();
    content.elDelayPs = DataScanManager::elDelayValue();
    for (int i = 0; i < views.size(); ++i) {
        ZChart::ZChartView* view = views[i];
        if (!view)
            continue;
        TReportView entry{viewCaption(placeOf(view, i), view), view};
        content.views.append(entry);
        content.markers += markers(entry.caption, view);
    }
    return content;
}

} // namespace ZReport
