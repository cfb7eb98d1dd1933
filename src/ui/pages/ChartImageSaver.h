#pragma once

#include <QObject>
#include <QString>

class MainWindow;
class QFileDialog;
class QPushButton;
class QWidget;

namespace MW_Pages {

// "Save image" of the charts page: writes the selected view as PNG or SVG, chosen by the file's
// suffix, through the view's own image export (which replaces the target only when complete).
class ChartImageSaver : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* DEFAULT_SUFFIX = "png";

    // The button is created in `parent`; the dialog belongs to the window.
    ChartImageSaver(MainWindow* window, QWidget* parent);

    static QString tag() { return QStringLiteral("MW_Pages::ChartImageSaver"); }
    QPushButton* button() const { return m_button; }
    QFileDialog* dialog() const { return m_dialog; }

public slots:
    void slotLoadedLang();
    void slotSaveImage();
    void slotProcessSaveImage(int result);

private:
    MainWindow* m_window;
    QPushButton* m_button;
    QFileDialog* m_dialog;
};

} // namespace MW_Pages
