#include "ui/PageFileDialogs.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace Ui {

namespace {
QFileDialog* create(QWidget* parent, const QString& defaultSuffix, bool save)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setViewMode(QFileDialog::Detail);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !save);
    dialog->setDefaultSuffix(defaultSuffix);
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog;
}
} // namespace

QFileDialog* PageFileDialogs::createSaveDialog(QWidget* parent, const QString& defaultSuffix)
{
    return create(parent, defaultSuffix, true);
}

QFileDialog* PageFileDialogs::createLoadDialog(QWidget* parent, const QString& defaultSuffix)
{
    return create(parent, defaultSuffix, false);
}

QString PageFileDialogs::filterSuffix(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

void PageFileDialogs::followFilterSuffix(QFileDialog* dialog, const QString& fallback)
{
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog, fallback](const QString& filter) {
        const QString suffix = filterSuffix(filter);
        dialog->setDefaultSuffix(suffix.isEmpty() ? fallback : suffix);
    });
}

void PageFileDialogs::open(QFileDialog* dialog)
{
    if (!dialog)
        return;
    if (s_runner) {
        s_runner(dialog);
        return;
    }
    dialog->open();
}

void PageFileDialogs::setRunner(TRunner runner)
{
    s_runner = std::move(runner);
}

QString PageFileDialogs::firstSelected(const QFileDialog* dialog)
{
    if (!dialog)
        return QString();
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty())
        return QString();
    // A bare name gets the dialog's default suffix, whoever answered the dialog; an existing file
    // picked for loading is taken as it is.
    QString file = files.first();
    const QFileInfo info(file);
    const bool save = dialog->acceptMode() == QFileDialog::AcceptSave;
    if (!dialog->defaultSuffix().isEmpty() && info.suffix().isEmpty() && !info.fileName().isEmpty() &&
        (save || !info.exists()))
        file += QLatin1Char('.') + dialog->defaultSuffix();
    return file;
}

} // namespace Ui
