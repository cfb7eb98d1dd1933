#pragma once

#include <QObject>
#include <QString>

class MainWindow;
class QFileDialog;
class QPushButton;
class QWidget;

namespace Ui {
class ReportDialog;
}

namespace MW_Pages {

// "Report" of the charts page: asks for a title and a note, then for the file (starting in the
// "reports" folder, later in the folder last written to), and writes the PDF report of the views
// the window shows.
class ReportSaver : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* DEFAULT_SUFFIX = "pdf";
    static constexpr const char* SETTINGS_SUBGROUP = "Report";
    static constexpr const char* KEY_LAST_DIR = "last_dir";

    // The button is created in `parent`; the dialogs belong to the window.
    ReportSaver(MainWindow* window, QWidget* parent);

    static QString tag() { return QStringLiteral("MW_Pages::ReportSaver"); }
    QPushButton* button() const { return m_button; }
    Ui::ReportDialog* detailsDialog() const { return m_details; }
    QFileDialog* fileDialog() const { return m_dialog; }
    QString lastDir() const { return m_lastDir; }
    // The path of the last report written, empty before the first.
    QString lastReport() const { return m_lastReport; }

public slots:
    void slotLoadedLang();
    void slotReport();
    void slotDetailsFinished(int result);
    void slotProcessSaveReport(int result);
    void saveSettings();
    void restoreSettings();

private:
    void setLastDir(const QString& dir);

    MainWindow* m_window;
    QPushButton* m_button;
    Ui::ReportDialog* m_details;
    QFileDialog* m_dialog;
    QString m_lastDir;
    QString m_lastReport;
};

} // namespace MW_Pages
