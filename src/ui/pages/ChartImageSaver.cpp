#include "ui/pages/ChartImageSaver.h"

#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QPushButton>

#include "charts/ZChartView.h"
#include "core/AppPaths.h"
#include "core/LocalizationManager.h"
#include "core/TaggedLog.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"

namespace MW_Pages {

ChartImageSaver::ChartImageSaver(MainWindow* window, QWidget* parent)
    : QObject(parent), m_window(window), m_button(new QPushButton(parent)),
      m_dialog(Ui::PageFileDialogs::createSaveDialog(window, QString::fromLatin1(DEFAULT_SUFFIX)))
{
    m_button->setObjectName(QStringLiteral("b_plots_save_image"));
    m_button->setIcon(QIcon(QStringLiteral(":/ui/save")));
    m_dialog->setDirectory(ZCore::AppPaths::baseDir());
    Ui::PageFileDialogs::followFilterSuffix(m_dialog, QString::fromLatin1(DEFAULT_SUFFIX));
    slotLoadedLang();
    connect(m_button, &QPushButton::released, this, &ChartImageSaver::slotSaveImage);
    connect(m_dialog, &QFileDialog::finished, this, &ChartImageSaver::slotProcessSaveImage);
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &ChartImageSaver::slotLoadedLang);
}

void ChartImageSaver::slotLoadedLang()
{
    m_button->setText(qtTrId("lp_pcharts_btn_save_image"));
    m_dialog->setWindowTitle(qtTrId("lp_pgcharts_save_image_title"));
    m_dialog->setNameFilters(qtTrId("lp_pgcharts_image_filters").split(QStringLiteral(";;")));
}

void ChartImageSaver::slotSaveImage()
{
    if (!m_window || !m_window->selectedChartView()) {
        ZCore::TaggedLog(tag()).warn(QStringLiteral(">> no chart view is selected"));
        return;
    }
    Ui::PageFileDialogs::open(m_dialog);
}

void ChartImageSaver::slotProcessSaveImage(int result)
{
    const ZCore::TaggedLog log(tag());
    if (result != QDialog::Accepted) {
        log.debug(QStringLiteral(">> save dialog wasn't accepted"));
        return;
    }
    ZChart::ZChartView* view = m_window ? m_window->selectedChartView() : nullptr;
    if (!view)
        return;
    const QString path = Ui::PageFileDialogs::firstSelected(m_dialog);
    QString error;
    if (!view->saveImage(path, &error)) {
        log.critical("lp_pgcharts_cant_save_image", path + QStringLiteral("\n") + error);
        return;
    }
    m_dialog->setDirectory(QFileInfo(path).absolutePath());
}

} // namespace MW_Pages
