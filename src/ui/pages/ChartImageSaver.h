#pragma once

#include <QObject>
#include <QSize>
#include <QString>

class MainWindow;
class QComboBox;
class QFileDialog;
class QPushButton;
class QWidget;

namespace MW_Pages {

// "Save image" of the charts page: writes the selected view as PNG or SVG, chosen by the file's
// suffix, at the size picked beside the button, through the chart image renderer (which replaces
// the target only when complete). The dialog opens in the images folder, then in the last one used.
class ChartImageSaver : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* DEFAULT_SUFFIX = "png";
    static constexpr const char* IMAGE_DIR_NAME = "images";

    // The button and the size box are created in `parent`; the dialog belongs to the window.
    ChartImageSaver(MainWindow* window, QWidget* parent);

    static QString tag() { return QStringLiteral("MW_Pages::ChartImageSaver"); }
    // Sizes offered, the default first.
    static QVector<QSize> imageSizes();
    QPushButton* button() const { return m_button; }
    QComboBox* sizeBox() const { return m_sizes; }
    QFileDialog* dialog() const { return m_dialog; }
    QSize imageSize() const;

public slots:
    void slotLoadedLang();
    void slotSaveImage();
    void slotProcessSaveImage(int result);

private:
    MainWindow* m_window;
    QPushButton* m_button;
    QComboBox* m_sizes;
    QFileDialog* m_dialog;
    bool m_usedFolder = false;
};

} // namespace MW_Pages
