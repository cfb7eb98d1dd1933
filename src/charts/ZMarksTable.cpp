#include "charts/ZMarksTable.h"

#include <QGraphicsScene>
#include <QSettings>

#include <cmath>

#include "charts/ZChartConfig.h"
#include "charts/ZChartView.h"
#include "charts/ZMark.h"
#include "core/TaggedLog.h"
#include "measurement/DataScanManager.h"

namespace ZChart {

namespace {

const ZCore::TaggedLog kLog(ZMarksTable::tag());

} // namespace

ZMarksTable::ZMarksTable(QtCharts::QChart* chart, ZChartView* view)
    : QGraphicsItem(chart), m_chart(chart), m_view(view)
{
    setFlag(QGraphicsItem::ItemHasNoContents);
}

ZMarksTable::~ZMarksTable()
{
    // The markers are child items and go with this item; only the bookkeeping is dropped here.
    m_selected = nullptr;
    m_marks.clear();
}

int ZMarksTable::indexOf(const ZMark* mark) const
{
    for (int i = 0; i < m_marks.size(); ++i)
        if (m_marks[i] == mark)
            return i;
    return -1;
}

ZMark* ZMarksTable::referenceMark() const
{
    for (ZMark* mark : m_marks)
        if (mark->isReference())
            return mark;
    return nullptr;
}

int ZMarksTable::pointCount() const
{
    const int live = m_view->scanPoints().size();
    return live > 0 ? live : int(ZData::DataScanManager::pointCount());
}

int ZMarksTable::dtfCount() const
{
    return m_view->chartType() == EChartType::DTF ? m_view->livePoints().size() : 0;
}

int ZMarksTable::indexFromFrequency(double mhz) const
{
    const ZData::DS::RangeSliced range(ZData::DataScanManager::sweep());
    const double start = range.start() / 1e6;
    const double stop = range.stop() / 1e6;
    const int points = pointCount();
    if (points < 2 || !(stop > start) || !std::isfinite(mhz))
        return 0;
    const double step = (stop - start) / double(points - 1);
    const double index = std::round((qBound(start, mhz, stop) - start) / step);
    return qBound(0, int(index), points - 1);
}

int ZMarksTable::indexFromDTF(double position) const
{
    const QVector<QPointF>& points = m_view->livePoints();
    const int n = dtfCount();
    if (n < 2 || !std::isfinite(position))
        return 0;
    const double x0 = points[0].x();
    const double spacing = points[1].x() - x0;
    // A zero bin width (no time range, or a velocity factor of 0) has no index to divide out.
    if (!(spacing > 0.0) || !std::isfinite(spacing))
        return 0;
    const double index = std::round((qBound(x0, position, points[n - 1].x()) - x0) / spacing);
    return qBound(0, int(index), n - 1);
}

bool ZMarksTable::addMark(double position)
{
    if (isFull())
        return false;
    auto* mark = new ZMark(m_chart, m_view, this);
    mark->setNumber(quint16(m_marks.size() + 1));
    if (m_view->chartType() == EChartType::DTF) {
        // Re/Im is not a readout of the distance chart; the marker starts as its automatic one.
        mark->setMarkType(EMarkType::TRACE);
        mark->setDTFPosition(position);
    } else {
        mark->setFrequencyPosition(position);
    }
    if (ZMark* ref = referenceMark())
        mark->data().reference = ref;
    mark->setVisible(m_showMarkers);
    m_marks.append(mark);
    setVisible(true);
    selectMark(mark);
    return true;
}

void ZMarksTable::detachReference(ZMark* removed)
{
    for (ZMark* mark : m_marks)
        if (mark != removed && mark->data().reference == removed)
            mark->data().clearReference();
    if (removed->isReference())
        emit m_view->signalRemovedRefMarker();
}

void ZMarksTable::removeMark(ZMark* mark)
{
    const int index = indexOf(mark);
    if (index < 0)
        return;
    // Delta markers must not keep pointing at a marker that is about to be destroyed.
    detachReference(mark);
    if (m_selected == mark)
        m_selected = nullptr;
    m_marks.removeAt(index);
    if (mark->scene())
        mark->scene()->removeItem(mark);
    delete mark;
    renumber();
    if (!m_marks.isEmpty())
        selectMark(std::max(0, index - 1));
    emit m_view->signalRemovedMark(index);
    if (m_marks.isEmpty())
        setVisible(false);
}

void ZMarksTable::removeMark(int index)
{
    if (index < 0 || index >= m_marks.size()) {
        kLog.warn(QStringLiteral(">> tried to remove mark by invalid index: %1").arg(index));
        return;
    }
    removeMark(m_marks[index]);
}

void ZMarksTable::removeAll()
{
    while (!m_marks.isEmpty())
        removeMark(m_marks.last());
}

void ZMarksTable::moveMark(int index, double position)
{
    if (index < 0 || index >= m_marks.size()) {
        kLog.warn(QStringLiteral(">> tried to move mark by invalid index: %1").arg(index));
        return;
    }
    if (!m_view->hasData()) {
        kLog.warn(QStringLiteral(">> tried to move mark when chartview is empty with index: %1").arg(index));
        return;
    }
    ZMark* mark = m_marks[index];
    if (mark->isDTFType())
        mark->setDTFPosition(position);
    else
        mark->setFrequencyPosition(position);
    emit m_view->signalRetrievedMarksData();
}

void ZMarksTable::renumber()
{
    for (int i = 0; i < m_marks.size(); ++i)
        m_marks[i]->setNumber(quint16(i + 1));
}

void ZMarksTable::selectMark(ZMark* mark)
{
    if (!mark || indexOf(mark) < 0)
        return;
    if (m_selected && m_selected != mark)
        m_selected->setSelected(false);
    mark->setSelected(true);
    m_selected = mark;
    emit m_view->signalRetrievedMarksData();
}

void ZMarksTable::selectMark(int index)
{
    if (m_marks.isEmpty())
        return;
    selectMark(m_marks[qBound(0, index, m_marks.size() - 1)]);
}

bool ZMarksTable::setReference(int index, bool on)
{
    if (index < 0 || index >= m_marks.size())
        return false;
    ZMark* target = m_marks[index];
    for (ZMark* mark : m_marks) {
        // At most one reference: a new one demotes the old.
        if (on && mark != target && mark->isReference())
            mark->data().setModifier(EMarkModType::NONE);
        mark->data().reference = on ? target : nullptr;
        if (!on)
            mark->data().clearOffsets();
    }
    target->data().setModifier(on ? EMarkModType::REFERENCE : EMarkModType::NONE);
    if (on)
        emit m_view->signalSetRefMarker(index);
    else
        emit m_view->signalRemovedRefMarker();
    updateAll();
    emit m_view->signalRetrievedMarksData();
    return true;
}

bool ZMarksTable::setDelta(int index, bool on)
{
    if (index < 0 || index >= m_marks.size())
        return false;
    ZMark* mark = m_marks[index];
    if (on) {
        mark->data().setModifier(EMarkModType::DELTA);
        mark->data().reference = referenceMark();
    } else if (mark->isDelta()) {
        mark->data().setModifier(EMarkModType::NONE);
    }
    updateAll();
    emit m_view->signalRetrievedMarksData();
    return true;
}

bool ZMarksTable::setMarkType(int index, EMarkType type)
{
    if (index < 0 || index >= m_marks.size())
        return false;
    ZMark* mark = m_marks[index];
    const bool wasDTF = mark->isDTFType();
    mark->setMarkType(type);
    if (mark->isDTFType() && !wasDTF)
        mark->setDTFIndex(m_view->chartType() == EChartType::DTF ? mark->data().dtf_index : 0);
    updateAll();
    emit m_view->signalRetrievedMarksData();
    return true;
}

void ZMarksTable::setShowMarkers(bool show)
{
    m_showMarkers = show;
    for (ZMark* mark : m_marks)
        mark->setVisible(show);
}

QVector<TMarkData> ZMarksTable::marksData() const
{
    QVector<TMarkData> data;
    data.reserve(m_marks.size());
    for (const ZMark* mark : m_marks)
        data.append(mark->data());
    return data;
}

QStringList ZMarksTable::readouts() const
{
    QStringList texts;
    for (const ZMark* mark : m_marks)
        texts.append(mark->readout());
    return texts;
}

void ZMarksTable::updateAll()
{
    QVector<int> peaks = m_view->dtfPeaks();
    const QPair<int, int> minMax = m_view->minMaxIndices();
    for (ZMark* mark : m_marks) {
        const EMarkType type = mark->data().type;
        const int searched = type == EMarkType::MIN_VALUE ? minMax.first : minMax.second;
        const int peak = type == EMarkType::DTF_PEAK && !peaks.isEmpty() ? peaks.takeFirst() : -1;
        mark->follow(searched, peak);
    }
}

void ZMarksTable::saveSettings(QSettings* settings) const
{
    if (!settings)
        return;
    settings->beginWriteArray(QStringLiteral("marks"), m_marks.size());
    for (int i = 0; i < m_marks.size(); ++i) {
        const TMarkData& data = m_marks[i]->data();
        settings->setArrayIndex(i);
        settings->setValue(QStringLiteral("freq"), data.frequency);
        settings->setValue(QStringLiteral("dtf"), data.dtf_position);
        settings->setValue(QStringLiteral("type"), uint(data.type));
        settings->setValue(QStringLiteral("mod_type"), uint(data.modifier));
    }
    settings->endArray();
}

void ZMarksTable::restoreSettings(QSettings* settings)
{
    if (!settings)
        return;
    while (!m_marks.isEmpty())
        removeMark(m_marks.last());
    QVector<TMarkData> records;
    const int size = settings->beginReadArray(QStringLiteral("marks"));
    // A hand-edited profile may hold more markers than a view can; the rest is not read.
    for (int i = 0; i < size && i < MAX_MARKS; ++i) {
        settings->setArrayIndex(i);
        TMarkData data;
        data.frequency = settings->value(QStringLiteral("freq"), 0.0).toDouble();
        data.dtf_position = settings->value(QStringLiteral("dtf"), 0.0).toDouble();
        const uint type = settings->value(QStringLiteral("type"), 0u).toUInt();
        data.type = type < uint(MARK_TYPES_COUNT) ? EMarkType(type) : EMarkType::RE_IM;
        const uint mod = settings->value(QStringLiteral("mod_type"), uint(EMarkModType::NONE)).toUInt();
        data.setModifier(mod == uint(EMarkModType::REFERENCE) || mod == uint(EMarkModType::DELTA)
                             ? EMarkModType(mod)
                             : EMarkModType::NONE);
        records.append(data);
    }
    settings->endArray();
    const bool dtf = m_view->chartType() == EChartType::DTF;
    int reference = -1;
    for (const TMarkData& record : records) {
        if (!m_view->addMark(dtf ? record.dtf_position : record.frequency / 1e6))
            break;
        const int index = m_marks.size() - 1;
        setMarkType(index, record.type);
        if (record.modifier == EMarkModType::REFERENCE && reference < 0)
            reference = index;
    }
    if (reference >= 0)
        setReference(reference, true);
    for (int i = 0; i < records.size() && i < m_marks.size(); ++i)
        if (records[i].modifier == EMarkModType::DELTA)
            setDelta(i, true);
}

} // namespace ZChart
