#include "ui/PageFileDialogs.h"

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
    return files.isEmpty() ? QString() : files.first();
}

} // namespace Ui
