#pragma once

#include <QColor>
#include <QString>

#include "devicelink/DeviceTypes.h"
#include "ui/pages/MWAbstractPage.h"

class QButtonGroup;
class QComboBox;
class QFileDialog;
class QPushButton;
class QLabel;
class QGridLayout;
class QSpinBox;

namespace Ui {
class KitEditorDialog;
}

namespace MW_Pages {

// The calibration page: measure or remove the three standards, exchange the calibration with the
// analyser's slots and with files. Every action is a request to the calibration manager; the
// buttons are redrawn from its state when it reports progress. Buttons that make the analyser
// work stay disabled from the port's closing until the next device start-up.
class PgCalib : public MWAbstractPage
{
    Q_OBJECT

public:
    static constexpr int OPEN = 1;
    static constexpr int SHORT = 2;
    static constexpr int LOAD = 4;

    explicit PgCalib(QObject* parent = nullptr);
    ~PgCalib() override;

    static QString staticTag() { return QStringLiteral("MW_Pages::PgCalib"); }

    QFileDialog* saveDialog() const { return m_saveDialog; }
    QFileDialog* loadDialog() const { return m_loadDialog; }
    QColor normalColor() const { return m_normal; }
    bool isDeviceReady() const { return m_deviceReady; }
    Ui::KitEditorDialog* kitEditor() const { return m_kitEditor; }
    QComboBox* kitCombo() const { return m_kitCombo; }
    QSpinBox* calibAverage() const { return m_calibAverage; }
    QSpinBox* liveAverage() const { return m_liveAverage; }
    QString kitStatusText() const;
    QString kitInUseText() const;

    void retranslateUi() override;

public slots:
    void slotLoadedLang();
    void slotGotDeviceParams(ZData::EDeviceOptions option);
    void slotDoCalib(int calib_type);
    void slotRemoveCalib(int calib_type);
    void slotDownloadCalib();
    void slotUploadCalib();
    void slotCalibSaveFile();
    void slotProcessCalibSaveFile(int result);
    void slotCalibLoadFile();
    void slotProcessCalibLoadFile(int result);
    void slotChangedCalibSlot(int index);
    void slotStartedCalibration();
    void slotSentCalibration();
    void slotFinishedCalibration();
    void slotFinishedCalibType();
    void slotPortClosed();
    void slotDeviceStartup();
    void saveSettings();
    void restoreSettings();
    void slotChangedKit(int index);
    void slotEditKit();
    void slotKitChanged(const QString& reason);
    void slotCapturedSweep(int done, int total);

protected:
    void initUi() override;
    void initUiActions() override;

private:
    void refresh();
    void applyUploadRule();
    void setAllButtonsEnabled(bool enabled);
    void setColor(QPushButton* button, const QColor& color);
    QPushButton* button(const char* name) const;
    void openFileDialog(QFileDialog* dialog, const char* missingId);
    void initKitUi(QGridLayout* grid, int row);
    void fillKitCombo();
    void refreshKitInUse();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QWidget* m_inner = nullptr;
    QButtonGroup* m_doGroup = nullptr;
    QButtonGroup* m_removeGroup = nullptr;
    QComboBox* m_slot = nullptr;
    QFileDialog* m_saveDialog = nullptr;
    QFileDialog* m_loadDialog = nullptr;
    QColor m_normal;
    QComboBox* m_kitCombo = nullptr;
    QSpinBox* m_calibAverage = nullptr;
    QSpinBox* m_liveAverage = nullptr;
    QLabel* m_kitInUse = nullptr;
    QLabel* m_kitStatus = nullptr;
    Ui::KitEditorDialog* m_kitEditor = nullptr;
    bool m_deviceReady = false;
};

} // namespace MW_Pages
