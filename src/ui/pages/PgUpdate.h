#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>

#include <functional>

#include "core/ISConfigurable.h"
#include "server/ServerTypes.h"
#include "ui/pages/MWAbstractPage.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;

namespace Ui {
namespace Components {
class ClampedLineEdit;
}
} // namespace Ui

namespace MW_Pages {

// The device page: the connected analyser's identifier and firmware version, the newest version
// the update server knows, the firmware update with its progress dialog, and the electrical delay.
// The firmware updater runs the update; the page shows its progress, asks before anything reaches
// the device and tells the user what happened, in the order it happened.
class PgUpdate : public MWAbstractPage, public ZCore::ISConfigurable
{
    Q_OBJECT

public:
    // Every message box the page raises, so that tests can answer them. The real boxes are window
    // modal and run no event loop of their own: the answer arrives later, as a call.
    enum class EBox
    {
        NO_SERVER,       // "Check for updates" with no update server configured
        CHECK_FAILED,    // the server gave no usable version
        NEW_UPDATE,      // a newer version (both versions named): update now? (Yes/No)
        NO_UPDATE,       // firmware is up to date
        REBOOT_UPDATE,   // the device reboots into its bootloader if the user agrees (OK/Cancel)
        FINISHED,        // the device is back with its new firmware: "Updated to X.Y.Z"
        NOT_BACK,        // the firmware was sent but the device did not come back
        DOWNLOAD_FAILED, // no usable update file: nothing was sent to the device
        INTERRUPTED,     // the link died during the transfer: the device waits in its bootloader
        BOOTLOADER,      // a device came up in its bootloader: update now? (Yes/No)
    };
    struct TBox
    {
        EBox kind = EBox::NO_SERVER;
        QMessageBox::Icon icon = QMessageBox::Information;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    };
    // Shows the box and returns the button the user chose.
    using BoxPresenter = std::function<QMessageBox::StandardButton(const TBox&)>;
    using Answer = std::function<void(QMessageBox::StandardButton)>;

    static constexpr int EL_DELAY_MAX_LENGTH = 5;
    // Wide enough that the bar and its warning read at a glance over the chart cluster.
    static constexpr int PROGRESS_MIN_WIDTH = 420;

    explicit PgUpdate(QObject* parent = nullptr);
    ~PgUpdate() override;

    static QString staticTag() { return QStringLiteral("MW_Pages::PgUpdate"); }
    static const QString& notAvailable();

    QLabel* deviceIdLabel() const { return m_deviceId; }
    QLabel* deviceVersionLabel() const { return m_deviceVersion; }
    QLabel* actualVersionLabel() const { return m_actualVersion; }
    QPushButton* checkButton() const { return m_check; }
    QPushButton* updateButton() const { return m_update; }
    Ui::Components::ClampedLineEdit* elDelayEdit() const { return m_elDelay; }
    QCheckBox* elDelayCheck() const { return m_elDelayEnabled; }
    QProgressDialog* progressDialog() const { return m_progress; }
    bool isUpdateInProgress() const { return m_updateInProgress; }
    static bool isReopenPending();

    // An empty presenter restores the real message boxes.
    void setBoxPresenter(BoxPresenter presenter) { m_presenter = std::move(presenter); }

    void retranslateUi() override;
    void saveSettings() override;
    void restoreSettings() override;

public slots:
    void slotLoadedLang();
    void slotUpdateIsRequired();
    void slotUpdateProgress(int progress);
    // The transfer broke off (port lost, or closed by the link giving up).
    void slotSignalLost();
    void slotElDelayValueChanged();
    void slotElDelayEnabled();
    void slotDeviceStartup();
    void slotDeviceUpdateReply(const QString& actual_version);

    void slotCheckForUpdates();
    void slotDoUpdate();
    void slotUpdateCheckFailed(ZData::EServerCommands result);
    void slotUpdateStarted();
    void slotUpdateFinished();
    void slotUpdateCompleted(const QString& version);
    void slotDeviceNotBack();
    void slotUpdateFailed(ZData::EServerCommands result);
    void slotGotBootloaderDevice();
    void slotPortClosed();

protected:
    void initUi() override;
    void initUiActions() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows a box; the answer, if asked for, comes to then once the user has chosen.
    void present(EBox kind, QMessageBox::Icon icon, const char* titleId, const QString& text,
                 QMessageBox::StandardButtons buttons = QMessageBox::Ok, Answer then = {});
    // The reboot question, then the update itself.
    void askAndStartUpdate();
    // Why the server gave nothing usable, in the user's words.
    static QString serverFailureReason(ZData::EServerCommands result);
    // An update is on its way: from the click to the last acknowledgement (including the device's
    // reboot into its bootloader).
    static bool isUpdateBusy();
    void showDeviceInfo();
    // Update firmware is offered only when asked for, with the port open and no update running.
    void offerUpdate(bool offered);
    void closeProgress();

    QGridLayout* m_grid = nullptr;
    QLabel* m_idTitle = nullptr;
    QLabel* m_versionTitle = nullptr;
    QLabel* m_actualTitle = nullptr;
    QLabel* m_deviceId = nullptr;
    QLabel* m_deviceVersion = nullptr;
    QLabel* m_actualVersion = nullptr;
    QLabel* m_elDelayTitle = nullptr;
    QLabel* m_elDelayValueTitle = nullptr;
    QLabel* m_elDelayUnit = nullptr;
    Ui::Components::ClampedLineEdit* m_elDelay = nullptr;
    QCheckBox* m_elDelayEnabled = nullptr;
    QPushButton* m_check = nullptr;
    QPushButton* m_update = nullptr;
    // Parented to the main window; the page drives its bar directly, so that a new value never
    // processes events or resets the dialog by itself.
    QPointer<QProgressDialog> m_progress;
    QProgressBar* m_progressBar = nullptr;
    bool m_updateInProgress = false;
    // Set while the page writes the electrical-delay widgets from the profile.
    bool m_restoring = false;
    BoxPresenter m_presenter;
};

} // namespace MW_Pages
