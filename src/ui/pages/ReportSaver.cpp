#include "ui/pages/ReportSaver.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QPushButton>
#include <QSettings>

#include "core/LocalizationManager.h"
#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "report/MeasurementReport.h"
#include "report/ReportCollector.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"
#include "ui/ReportDialog.h"

namespace MW_Pages {

using ZCore::UtilityModules::Path;

ReportSaver::ReportSaver(MainWindow* window, QWidget* parent)
    : QObject(parent), m_window(window), m_button(new QPushButton(parent)),
      m_details(new Ui::ReportDialog(window)),
      m_dialog(Ui::PageFileDialogs::createSaveDialog(window, QString::fromLatin1(DEFAULT_SUFFIX)))
{
    m_button->setObjectName(QStringLiteral("b_report"));
    m_button->setIcon(QIcon(QStringLiteral(":/ui/save")));
    setLastDir(ZReport::MeasurementReport::reportDir());
    slotLoadedLang();
    connect(m_button, &QPushButton::released, this, &ReportSaver::slotReport);
    connect(m_details, &QDialog::finished, this, &ReportSaver::slotDetailsFinished);
    connect(m_dialog, &QFileDialog::finished, this, &ReportSaver::slotProcessSaveReport);
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &ReportSaver::slotLoadedLang);
    if (m_window) {
        connect(m_window, &MainWindow::signalSettingsSaved, this, &ReportSaver::saveSettings);
        connect(m_window, &MainWindow::signalSettingsRestored, this, &ReportSaver::restoreSettings);
    }
}

void ReportSaver::slotLoadedLang()
{
    m_button->setText(qtTrId("lp_report_btn"));
    m_dialog->setWindowTitle(qtTrId("lp_report_save_title"));
    m_dialog->setNameFilters({qtTrId("lp_report_filters")});
}

void ReportSaver::setLastDir(const QString& dir)
{
    m_lastDir = dir;
    m_dialog->setDirectory(dir);
}

void ReportSaver::slotReport()
{
    // The folder is made when first needed, so the dialog opens inside it.
    if (m_lastDir == ZReport::MeasurementReport::reportDir())
        Path::createDir(m_lastDir, QStringLiteral("REPORT_DIR"));
    m_dialog->setDirectory(m_lastDir);
    m_details->open();
}

void ReportSaver::slotDetailsFinished(int result)
{
    if (result != QDialog::Accepted)
        return;
    Ui::PageFileDialogs::open(m_dialog);
}

void ReportSaver::slotProcessSaveReport(int result)
{
    const ZCore::TaggedLog log(tag());
    if (result != QDialog::Accepted || !m_window) {
        log.debug(QStringLiteral(">> report dialog wasn't accepted"));
        return;
    }
    const QString path = Ui::PageFileDialogs::firstSelected(m_dialog);
    if (path.isEmpty())
        return;
    const QList<ZChart::ZChartView*> views = ZReport::ReportCollector::shownViews(m_window->chartViews());
    const ZReport::TReportContent content =
        ZReport::ReportCollector::collect(views, m_details->title(), m_details->note());
    QString error;
    if (!ZReport::MeasurementReport::write(path, content, &error)) {
        log.critical("lp_report_cant_write", path + QStringLiteral("\n") + error);
        return;
    }
    log.info(QStringLiteral(">> report written to: ") + path);
    m_lastReport = path;
    setLastDir(QFileInfo(path).absolutePath());
}

void ReportSaver::saveSettings()
{
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings)
        return;
    settings->beginGroup(ZCore::SettingsManager::subGroupName(ZCore::ESettingsGroups::CHARTS,
                                                              QString::fromLatin1(SETTINGS_SUBGROUP)));
    settings->setValue(QString::fromLatin1(KEY_LAST_DIR), m_lastDir);
    settings->endGroup();
}

void ReportSaver::restoreSettings()
{
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings)
        return;
    settings->beginGroup(ZCore::SettingsManager::subGroupName(ZCore::ESettingsGroups::CHARTS,
                                                              QString::fromLatin1(SETTINGS_SUBGROUP)));
    const QString dir = settings->value(QString::fromLatin1(KEY_LAST_DIR)).toString();
    settings->endGroup();
    // A folder removed since sends the dialog back to the reports folder.
    setLastDir(!dir.isEmpty() && Path::dirExists(dir) ? dir : ZReport::MeasurementReport::reportDir());
}

} // namespace MW_Pages
