#include "ui/PlaceholderWindow.h"

#include <QCloseEvent>
#include <QLabel>

#include "core/SettingsManager.h"
#include "core/utility/VersionNumber.h"

PlaceholderWindow::PlaceholderWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("MainWindow");
    const ZCore::UtilityModules::VersionNumber version(QStringLiteral(TOLVEK_APP_VERSION));
    setWindowTitle(QString("TolvekVNA ver. %1").arg(version.toString()));
    auto* label = new QLabel(QStringLiteral("TolvekVNA"), this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
    resize(800, 500);
}

void PlaceholderWindow::closeEvent(QCloseEvent* event)
{
    ZCore::SettingsManager::saveAll();
    QMainWindow::closeEvent(event);
}
