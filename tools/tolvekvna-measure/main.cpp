// tolvekvna-measure: headless S11 measurement for scripts, production lines and end-to-end tests.
#include <QCoreApplication>

#include <cstdio>

#include "MeasureOptions.h"
#include "MeasureSession.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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
