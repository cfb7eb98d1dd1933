#pragma once

#include <QPointer>
#include <QWidget>

#include "charts/ChartTypes.h"

class QGridLayout;
class QLabel;
class MainWindow;

namespace ZChart {
class ZChartConfig;
class ZChartView;
} // namespace ZChart

namespace Ui {
namespace PgCharts_Page {

// A chart configuration page: edits one option record of the selected view's configuration.
// The base page shows "No settings available."; subclasses add their controls. Built in two
// steps (construction, then setup()) so that the virtual build steps reach the subclass.
class AbstractPage : public QWidget
{
    Q_OBJECT

public:
    AbstractPage(QWidget* parent, const QString& pageName, ZChart::EChartType type);

    static QString staticTag() { return QStringLiteral("PgCharts_Page::AbstractPage"); }
    QString tag() const { return m_tag; }
    ZChart::EChartType chartType() const { return m_type; }
    MainWindow* mainWindow() const { return m_window; }
    QLabel* noSettingsLabel() const { return m_noSettings; }

    // Builds the widgets, makes the connections and sets the texts.
    void setup();

public slots:
    virtual void updateChartConfig();
    virtual void readChartConfig();
    virtual void refreshPage();
    virtual void retranslate();

protected:
    virtual void construct();
    virtual void makeConnections();
    void showEvent(QShowEvent* event) override;

    // The selected view's configuration, or null.
    ZChart::ZChartConfig* config() const;
    ZChart::ZChartView* selectedView() const;
    // Whether the page serves the type; logs the rejected access otherwise.
    bool checkType(ZChart::EChartType type, const char* operation) const;
    QGridLayout* grid() const { return m_grid; }

    QString m_tag;
    ZChart::EChartType m_type;
    MainWindow* m_window = nullptr;
    QLabel* m_noSettings = nullptr;
    QGridLayout* m_grid = nullptr;
    // Set while the page writes its own controls, so the writes are not taken for user edits.
    bool m_filling = false;

private:
    void followConfig();

    QPointer<ZChart::ZChartConfig> m_followed;
};

} // namespace PgCharts_Page
} // namespace Ui
