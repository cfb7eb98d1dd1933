#include <QApplication>
#include <QMainWindow>

#include "core/Resources.h"

int main(int argc, char* argv[])
{
    ZCore::initResources();
    QApplication app(argc, argv);
    QMainWindow window;
    window.show();
    return app.exec();
}
