#pragma once

#include <QHash>
#include <QObject>
#include <QVector>
#include <memory>

#include "charts/ChartTypes.h"
#include "charts/TDTFConfig.h"
#include "charts/TGridConfig.h"
#include "charts/TLossConfig.h"
#include "charts/TSWRConfig.h"

class QSettings;

namespace ZChart {

// What one chart view shows and how: chart type, activity, corner, the marker readouts offered per
// chart type and the option records of the configurable chart types. The records are handed out
// read-only; a page edits a copy and writes it back through the setter, which announces the change.
class ZChartConfig : public QObject
{
    Q_OBJECT

public:
    static QString tag() { return QStringLiteral("ZChartConfig"); }

    explicit ZChartConfig(QObject* parent = nullptr);
    ~ZChartConfig() override;

    bool isActive() const { return m_isActive; }
    bool useOpenGL() const { return m_useOpenGL; }
    EChartType chartType() const { return m_chartType; }
    EChartArrangeCorners corner() const { return m_corner; }
    void setActive(bool active) { m_isActive = active; }
    void setUseOpenGL(bool use) { m_useOpenGL = use; }
    void setChartType(EChartType type) { m_chartType = type; }
    void setCorner(EChartArrangeCorners corner) { m_corner = corner; }

    const TDTFConfig& dtfConfig() const { return *m_dtf; }
    const TGridConfig& logConfig() const { return *m_log; }
    const TGridConfig& linConfig() const { return *m_lin; }
    const TLossConfig& lossConfig() const { return *m_loss; }
    const TSWRConfig& smithConfig() const { return *m_smith; }
    const TSWRConfig& polarConfig() const { return *m_polar; }
    const TSWRConfig& swrConfig() const { return *m_swr; }

    // Each setter copies the whole record and, with notify, announces the chart type owning it.
    void setDTFConfig(const TDTFConfig& config, bool notify);
    void setLogConfig(const TGridConfig& config, bool notify);
    void setLinConfig(const TGridConfig& config, bool notify);
    void setLossConfig(const TLossConfig& config, bool notify);
    void setSmithConfig(const TSWRConfig& config, bool notify);
    void setPolarConfig(const TSWRConfig& config, bool notify);
    void setSWRConfig(const TSWRConfig& config, bool notify);

    // The limit record of SMITH, POLAR or SWR; for another type logs and gives a disabled record.
    TSWRConfig swrConfigByChartType(EChartType type) const;

    // UNSET stands for the current chart type; an empty list for a type without readouts.
    QVector<EMarkType> allowedMarkTypes(EChartType type = EChartType::UNSET) const;

    // DTF limits from the current scan range and the points actually transformed (the interpolated
    // grid when interpolation is on), or from the given range.
    void refreshDTFLimits(bool notify = false);
    void applyDTFLimits(double startHz, double stopHz, quint32 points, bool notify = false);
    // Limits from the current scan range, then the full window.
    void resetDTFWindow(bool notify = false);

    // Inside the group the caller has opened; restore announces the current chart type once.
    void restoreSettings(QSettings* settings);
    void saveSettings(QSettings* settings) const;

signals:
    void signalConfigChanged(ZChart::EChartType chart_type);

private:
    void announce(EChartType type, bool notify);
    void restoreDTF(QSettings* settings);
    void restoreGrid(QSettings* settings, TGridConfig& config);
    void restoreLoss(QSettings* settings);
    void restoreSWR(QSettings* settings, TSWRConfig& config);

    bool m_isActive = false;
    bool m_useOpenGL = false;
    EChartType m_chartType = EChartType::UNSET;
    EChartArrangeCorners m_corner = EChartArrangeCorners::NONE;
    QHash<EChartType, QVector<EMarkType>> m_allowedMarkTypes;
    std::unique_ptr<TDTFConfig> m_dtf;
    std::unique_ptr<TGridConfig> m_log;
    std::unique_ptr<TGridConfig> m_lin;
    std::unique_ptr<TLossConfig> m_loss;
    std::unique_ptr<TSWRConfig> m_smith;
    std::unique_ptr<TSWRConfig> m_polar;
    std::unique_ptr<TSWRConfig> m_swr;
};

} // namespace ZChart

Q_DECLARE_METATYPE(ZChart::EChartType)
