#include "ui/PlaceholderWindow.h"

#include <QCloseEvent>
#include <QLabel>

#include "core/AppVersion.h"
#include "core/SettingsManager.h"

PlaceholderWindow::PlaceholderWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("MainWindow");
    setWindowTitle(QString("TolvekVNA ver. %1").arg(ZCore::AppVersion::text()));
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
