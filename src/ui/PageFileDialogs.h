#pragma once

#include <QFileDialog>
#include <QString>

#include <functional>

class QWidget;

namespace Ui {

// The file dialogs of the menu pages: built alike, opened through one replaceable runner so that a
// test answers them without a modal loop, and read back the same way whoever answered them.
class PageFileDialogs
{
public:
    using TRunner = std::function<void(QFileDialog* dialog)>;

    // Save: any file name, overwrite confirmation; load: an existing file. Both application-modal,
    // detail view, with the default suffix appended to a bare name.
    static QFileDialog* createSaveDialog(QWidget* parent, const QString& defaultSuffix);
    static QFileDialog* createLoadDialog(QWidget* parent, const QString& defaultSuffix);

    // A bare name typed in a save dialog takes the suffix of the chosen name filter ("*.s1p"), or
    // `fallback` under a filter without one ("All files (*)").
    static void followFilterSuffix(QFileDialog* dialog, const QString& fallback);
    static QString filterSuffix(const QString& filter);

    // Opens the dialog window-modally; its finished(result) signal carries the answer.
    static void open(QFileDialog* dialog);
    static void setRunner(TRunner runner);
    static void resetRunner() { setRunner(TRunner()); }

    // The first chosen file, or an empty text.
    static QString firstSelected(const QFileDialog* dialog);

private:
    static inline TRunner s_runner;
};

} // namespace Ui
