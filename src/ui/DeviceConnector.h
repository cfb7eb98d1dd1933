#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "core/ISConfigurable.h"
#include "core/ISTaggable.h"
#include "devicelink/PortEnumerator.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// The small dialog in which the user picks the analyser's serial port. The list shows the ports
// whose manufacturer names the analyser's USB interface (a running emulator announces itself as
// one) and follows plugging and unplugging once a second while the dialog is shown.
class DeviceConnector : public QDialog, public ZCore::ISTaggable, public ZCore::ISConfigurable
{
    Q_OBJECT

public:
    using PortSource = std::function<QList<ZData::TPortListing>()>;

    static constexpr int REFRESH_INTERVAL_MS = 1000;

    explicit DeviceConnector(QWidget* parent = nullptr);
    ~DeviceConnector() override;

    static QString tag() { return QStringLiteral("DeviceConnector"); }
    // Whether a port of this manufacturer is an analyser.
    static bool isAnalyser(const QString& manufacturer);

    // Where the ports come from; the system's list plus announced ports by default.
    void setPortSource(PortSource source);
    // Opens the chosen port, as the Apply button does; the dialog stays open when it fails.
    void apply();
    // Opens a port by name and, when it will not open, logs why in words (and returns it).
    static bool openPort(const QString& name, QString* failure = nullptr);
    // The reason the last port would not open, or what to do when no analyser is listed.
    QLabel* hintLabel() const { return m_hint; }
    bool isRefreshing() const { return m_timer.isActive(); }

    QComboBox* portList() const { return m_list; }
    QPushButton* applyButton() const { return m_apply; }
    QPushButton* refreshButton() const { return m_refresh; }

    void saveSettings() override;
    void restoreSettings() override;

public slots:
    void slotUpdatePortsInfo();
    void slotShowPortInfo(int index);
    void slotGotSettings();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void done(int result) override;

private:
    void retranslate();
    void setValuesUnknown();
    void updateHint();
    // Stops the refresh and keeps the geometry, once per showing whichever way it ends.
    void finishShowing();

    QGroupBox* m_box;
    QComboBox* m_list;
    QLabel* m_locationLabel;
    QLabel* m_locationValue;
    QLabel* m_serialLabel;
    QLabel* m_serialValue;
    QLabel* m_manufacturerLabel;
    QLabel* m_manufacturerValue;
    QLabel* m_descriptionLabel;
    QLabel* m_descriptionValue;
    QPushButton* m_refresh;
    QPushButton* m_apply;
    QLabel* m_hint = nullptr;
    QString m_failure;
    QTimer m_timer;
    PortSource m_source;
    // Port names of the last listing: the list is rebuilt only when this set changes, so a
    // refresh never takes the user's choice away.
    QStringList m_listed;
};
