#include "charts/ZChartConfig.h"

#include <QSettings>

#include <cmath>

#include "charts/ChartEnumPrinter.h"
#include "charts/DTFTransform.h"
#include "core/TaggedLog.h"
#include "measurement/DataScanManager.h"

namespace ZChart {

namespace {

const ZCore::TaggedLog kLog(ZChartConfig::tag());

// A stored value that is present but unusable keeps the current one; the profile may be hand-edited.
template <class T, class Check>
bool readChecked(QSettings* settings, const QString& key, T& target, Check check)
{
    if (!settings->contains(key))
        return false;
    bool ok = false;
    const QVariant raw = settings->value(key);
    T value{};
    if constexpr (std::is_same_v<T, double>)
        value = raw.toDouble(&ok);
    else if constexpr (std::is_same_v<T, quint32>)
        value = raw.toUInt(&ok);
    else
        value = T(raw.toUInt(&ok));
    if (!ok || !check(value)) {
        kLog.warn(QStringLiteral(">> ignored bad stored value of [ %1/%2 ]: %3")
                      .arg(settings->group(), key, raw.toString()));
        return false;
    }
    target = value;
    return true;
}

} // namespace

ZChartConfig::ZChartConfig(QObject* parent)
    : QObject(parent), m_dtf(std::make_unique<TDTFConfig>()), m_log(std::make_unique<TGridConfig>()),
      m_lin(std::make_unique<TGridConfig>()), m_loss(std::make_unique<TLossConfig>()),
      m_smith(std::make_unique<TSWRConfig>()), m_polar(std::make_unique<TSWRConfig>()),
      m_swr(std::make_unique<TSWRConfig>())
{
    m_dtf->name = QStringLiteral("DTF");
    m_log->name = QStringLiteral("LOG");
    m_log->grid_step = 20;
    m_log->divisor = 1.0;
    m_lin->name = QStringLiteral("LIN");
    m_lin->grid_step = 200;
    m_lin->divisor = 1000.0;
    m_loss->name = QStringLiteral("LOSS");
    m_smith->name = QStringLiteral("SMITH");
    m_polar->name = QStringLiteral("POLAR");
    m_swr->name = QStringLiteral("SWR");

    using M = EMarkType;
    const QVector<EMarkType> plane = {M::TRACE, M::RE_IM, M::MAG, M::LMAG, M::SWR, M::IMPED, M::ADMIT};
    const QVector<EMarkType> scalar = plane + QVector<EMarkType>{M::MIN_VALUE, M::MAX_VALUE};
    m_allowedMarkTypes.insert(EChartType::SMITH, plane);
    m_allowedMarkTypes.insert(EChartType::POLAR, plane);
    for (EChartType t : {EChartType::PHASE, EChartType::LIN_MAG, EChartType::LOG_MAG, EChartType::SWR})
        m_allowedMarkTypes.insert(t, scalar);
    m_allowedMarkTypes.insert(EChartType::DTF,
                              {M::TRACE, M::DTF_POINT, M::DTF_PEAK, M::MIN_VALUE, M::MAX_VALUE});
    m_allowedMarkTypes.insert(EChartType::LOSS, {M::TRACE, M::LOSS, M::MIN_VALUE, M::MAX_VALUE});
}

ZChartConfig::~ZChartConfig() = default;

void ZChartConfig::announce(EChartType type, bool notify)
{
    if (notify)
        emit signalConfigChanged(type);
}

void ZChartConfig::setDTFConfig(const TDTFConfig& config, bool notify)
{
    *m_dtf = config;
    announce(EChartType::DTF, notify);
}

void ZChartConfig::setLogConfig(const TGridConfig& config, bool notify)
{
    *m_log = config;
    announce(EChartType::LOG_MAG, notify);
}

void ZChartConfig::setLinConfig(const TGridConfig& config, bool notify)
{
    *m_lin = config;
    announce(EChartType::LIN_MAG, notify);
}

void ZChartConfig::setLossConfig(const TLossConfig& config, bool notify)
{
    *m_loss = config;
    announce(EChartType::LOSS, notify);
}

void ZChartConfig::setSmithConfig(const TSWRConfig& config, bool notify)
{
    *m_smith = config;
    announce(EChartType::SMITH, notify);
}

void ZChartConfig::setPolarConfig(const TSWRConfig& config, bool notify)
{
    *m_polar = config;
    announce(EChartType::POLAR, notify);
}

void ZChartConfig::setSWRConfig(const TSWRConfig& config, bool notify)
{
    *m_swr = config;
    announce(EChartType::SWR, notify);
}

TSWRConfig ZChartConfig::swrConfigByChartType(EChartType type) const
{
    switch (type) {
    case EChartType::SMITH:
        return *m_smith;
    case EChartType::POLAR:
        return *m_polar;
    case EChartType::SWR:
        return *m_swr;
    default:
        qCritical().noquote() << tag() + QStringLiteral(" >> bad chart type in getConfigByChartType: ") +
                                     ChartEnumPrinter::displayName(type);
        return TSWRConfig();
    }
}

QVector<EMarkType> ZChartConfig::allowedMarkTypes(EChartType type) const
{
    if (type == EChartType::UNSET)
        type = m_chartType;
    return m_allowedMarkTypes.value(type);
}

void ZChartConfig::applyDTFLimits(double startHz, double stopHz, quint32 points, bool notify)
{
    DTFTransform::updateLimits(*m_dtf, startHz, stopHz, points);
    announce(EChartType::DTF, notify);
}

void ZChartConfig::refreshDTFLimits(bool notify)
{
    using ZData::DataScanManager;
    const ZData::DS::RangeSliced range(DataScanManager::sweep());
    applyDTFLimits(range.start(), range.stop(), DataScanManager::pointCount(), notify);
}

void ZChartConfig::resetDTFWindow(bool notify)
{
    refreshDTFLimits(false);
    DTFTransform::resetWindow(*m_dtf);
    announce(EChartType::DTF, notify);
}

void ZChartConfig::restoreDTF(QSettings* settings)
{
    settings->beginGroup(m_dtf->name);
    // An absent or unreadable domain means TIME; a number that names no domain is a damaged profile
    // and keeps the current one.
    EDTFDomain domain = EDTFDomain::TIME;
    bool ok = false;
    const uint stored = settings->value(QStringLiteral("domain")).toUInt(&ok);
    if (ok && stored <= 1) {
        domain = EDTFDomain(stored);
    } else if (ok) {
        kLog.warn(QStringLiteral(">> ignored bad stored value of [ %1/domain ]: %2")
                      .arg(settings->group())
                      .arg(stored));
        domain = m_dtf->domain;
    }
    DTFTransform::setDomain(*m_dtf, domain);
    readChecked(settings, QStringLiteral("velocity_factor"), m_dtf->velocity_factor,
                [](double v) { return std::isfinite(v) && v > 0.0 && v <= 1.0; });
    double start = m_dtf->start;
    double stop = m_dtf->span;
    readChecked(settings, QStringLiteral("start"), start, [](double v) { return std::isfinite(v); });
    readChecked(settings, QStringLiteral("stop"), stop, [](double v) { return std::isfinite(v); });
    settings->endGroup();
    refreshDTFLimits(false);
    DTFTransform::restoreWindow(*m_dtf, start, stop);
}

void ZChartConfig::restoreGrid(QSettings* settings, TGridConfig& config)
{
    settings->beginGroup(config.name);
    readChecked(settings, QStringLiteral("grid_step"), config.grid_step, [](quint32 v) { return v > 0; });
    settings->endGroup();
}

void ZChartConfig::restoreLoss(QSettings* settings)
{
    settings->beginGroup(m_loss->name);
    readChecked(settings, QStringLiteral("domain"), m_loss->domain,
                [](ELossType v) { return quint16(v) <= 1; });
    readChecked(settings, QStringLiteral("cable_length"), m_loss->cable_length,
                [](double v) { return std::isfinite(v) && v > 0.0; });
    settings->endGroup();
}

void ZChartConfig::restoreSWR(QSettings* settings, TSWRConfig& config)
{
    settings->beginGroup(config.name);
    readChecked(settings, QStringLiteral("limit_line_val"), config.limit_line_val,
                [](double v) { return std::isfinite(v); });
    if (settings->contains(QStringLiteral("is_enabled")))
        config.is_enabled = settings->value(QStringLiteral("is_enabled")).toInt() != 0;
    settings->endGroup();
}

void ZChartConfig::restoreSettings(QSettings* settings)
{
    if (!settings)
        return;
    restoreDTF(settings);
    restoreGrid(settings, *m_log);
    restoreGrid(settings, *m_lin);
    restoreLoss(settings);
    restoreSWR(settings, *m_smith);
    restoreSWR(settings, *m_polar);
    restoreSWR(settings, *m_swr);
    emit signalConfigChanged(m_chartType);
}

void ZChartConfig::saveSettings(QSettings* settings) const
{
    if (!settings)
        return;
    settings->beginGroup(m_dtf->name);
    settings->setValue(QStringLiteral("domain"), uint(m_dtf->domain));
    settings->setValue(QStringLiteral("start"), m_dtf->start);
    settings->setValue(QStringLiteral("stop"), m_dtf->stop);
    settings->setValue(QStringLiteral("velocity_factor"), m_dtf->velocity_factor);
    settings->endGroup();
    for (const TGridConfig* grid : {m_log.get(), m_lin.get()}) {
        settings->beginGroup(grid->name);
        settings->setValue(QStringLiteral("grid_step"), grid->grid_step);
        settings->endGroup();
    }
    settings->beginGroup(m_loss->name);
    settings->setValue(QStringLiteral("domain"), uint(m_loss->domain));
    settings->setValue(QStringLiteral("cable_length"), m_loss->cable_length);
    settings->endGroup();
    for (const TSWRConfig* swr : {m_smith.get(), m_polar.get(), m_swr.get()}) {
        settings->beginGroup(swr->name);
        settings->setValue(QStringLiteral("limit_line_val"), swr->limit_line_val);
        settings->setValue(QStringLiteral("is_enabled"), swr->is_enabled);
        settings->endGroup();
    }
}

} // namespace ZChart
