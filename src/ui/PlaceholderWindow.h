#pragma once

#include <QMainWindow>
#include <QString>

#include "core/ISTaggable.h"

// Stands in for the main window: shows the program is up and saves the profile when closed.
class PlaceholderWindow : public QMainWindow, public ZCore::ISTaggable
{
    Q_OBJECT

public:
    explicit PlaceholderWindow(QWidget* parent = nullptr);
    static QString tag() { return QStringLiteral("MainWindow"); }

protected:
    void closeEvent(QCloseEvent* event) override;
};
