// tolvekvna-measure: headless S11 measurement for scripts, production lines and end-to-end tests.
#include <QApplication>
#include <QCoreApplication>

#include <memory>

#include <cstdio>

#include "MeasureOptions.h"
#include "MeasureSession.h"

int main(int argc, char** argv)
{
    // A picture needs the widget toolkit; the command never shows a window, so without a platform
    // chosen by the caller it draws off screen.
    const bool image = MeasureOptions::wantsImage(argc, argv);
    if (image && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app(image ? new QApplication(argc, argv)
                                                : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("tolvekvna-measure"));

    MeasureOptions options;
    QString error;
    if (!options.parse(QCoreApplication::arguments(), error)) {
        std::fprintf(stderr, "tolvekvna-measure: error: %s\n(see --help)\n", error.toLocal8Bit().constData());
        return MeasureSession::INVALID_OPTION;
    }
    if (!options.helpText.isEmpty()) {
        std::fprintf(stdout, "%s", options.helpText.toLocal8Bit().constData());
        return 0;
    }
    MeasureSession session(options);
    return session.run();
}
