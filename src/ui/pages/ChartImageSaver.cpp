#include "ui/pages/ChartImageSaver.h"

#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QPushButton>

#include "charts/ChartImageRenderer.h"
#include "charts/ZChartView.h"
#include "core/AppPaths.h"
#include "core/LocalizationManager.h"
#include "core/TaggedLog.h"
#include "core/utility/Path.h"
#include "core/utility/UI.h"
#include "ui/MainWindow.h"
#include "ui/PageFileDialogs.h"

namespace MW_Pages {

ChartImageSaver::ChartImageSaver(MainWindow* window, QWidget* parent)
    : QObject(parent), m_window(window), m_button(new QPushButton(parent)), m_sizes(new QComboBox(parent)),
      m_dialog(Ui::PageFileDialogs::createSaveDialog(window, QString::fromLatin1(DEFAULT_SUFFIX)))
{
    m_button->setObjectName(QStringLiteral("b_plots_save_image"));
    m_button->setIcon(QIcon(QStringLiteral(":/ui/save")));
    m_sizes->setObjectName(QStringLiteral("comb_plots_image_size"));
    for (const QSize& size : imageSizes())
        m_sizes->addItem(QStringLiteral("%1 \u00D7 %2").arg(size.width()).arg(size.height()), size);
    ZCore::UtilityModules::UI::fitListToEntries(m_sizes);
    Ui::PageFileDialogs::followFilterSuffix(m_dialog, QString::fromLatin1(DEFAULT_SUFFIX));
    slotLoadedLang();
    connect(m_button, &QPushButton::released, this, &ChartImageSaver::slotSaveImage);
    connect(m_dialog, &QFileDialog::finished, this, &ChartImageSaver::slotProcessSaveImage);
    connect(&ZCore::LocalizationManager::instance(), &ZCore::LocalizationManager::signalLoadedLang, this,
            &ChartImageSaver::slotLoadedLang);
}

QVector<QSize> ChartImageSaver::imageSizes()
{
    return {ZChart::ChartImageRenderer::defaultSize(), QSize(800, 600), QSize(1024, 768), QSize(1920, 1080),
            QSize(3200, 2400)};
}

QSize ChartImageSaver::imageSize() const
{
    const QSize size = m_sizes->currentData().toSize();
    return size.isValid() ? size : ZChart::ChartImageRenderer::defaultSize();
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
    // Until a picture has been saved the dialog opens in the images folder, made if need be.
    if (!m_usedFolder) {
        const QString images = QDir(ZCore::AppPaths::baseDir()).filePath(QString::fromLatin1(IMAGE_DIR_NAME));
        if (ZCore::UtilityModules::Path::createDir(images, QStringLiteral("IMAGE_DIR")))
            m_dialog->setDirectory(images);
        else
            m_dialog->setDirectory(ZCore::AppPaths::baseDir());
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
    if (!view->saveImage(path, imageSize(), &error)) {
        log.critical("lp_pgcharts_cant_save_image", path + QStringLiteral("\n") + error);
        return;
    }
    m_usedFolder = true;
    m_dialog->setDirectory(QFileInfo(path).absolutePath());
}

} // namespace MW_Pages
