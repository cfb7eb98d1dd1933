#include "ui/DeviceConnector.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QtDebug>

#include "core/SettingsManager.h"
#include "core/TaggedLog.h"
#include "core/utility/UI.h"
#include "devicelink/ConnectionManager.h"
#include "devicelink/PortOpenDiagnosis.h"
#include "devicelink/SerialPort.h"

namespace {
const QString NOT_AVAILABLE = QStringLiteral("N/A");

QString orUnknown(const QString& text)
{
    return text.isEmpty() ? NOT_AVAILABLE : text;
}

QLabel* valueLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(NOT_AVAILABLE, parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
} // namespace

DeviceConnector::DeviceConnector(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DeviceConnector"));
    auto* outer = new QVBoxLayout(this);
    outer->setObjectName(QStringLiteral("verticalLayout"));
    m_box = new QGroupBox(this);
    m_box->setObjectName(QStringLiteral("selectBox"));
    m_box->setTitle(QString());
    outer->addWidget(m_box);
    auto* inner = new QVBoxLayout(m_box);
    inner->setObjectName(QStringLiteral("verticalLayout_2"));
    m_list = new QComboBox(m_box);
    m_list->setObjectName(QStringLiteral("listbox_serial_port_info"));
    inner->addWidget(m_list);

    auto* form = new QFormLayout();
    form->setObjectName(QStringLiteral("formLayout"));
    auto label = [this](const QString& name) {
        auto* l = new QLabel(m_box);
        l->setObjectName(name);
        return l;
    };
    m_locationLabel = label(QStringLiteral("location_label"));
    m_locationValue = valueLabel(QStringLiteral("location_value"), m_box);
    m_serialLabel = label(QStringLiteral("serialNumber_label"));
    m_serialValue = valueLabel(QStringLiteral("serialNumber_value"), m_box);
    m_manufacturerLabel = label(QStringLiteral("manufacturer_label"));
    m_manufacturerValue = valueLabel(QStringLiteral("manufacturer_value"), m_box);
    m_descriptionLabel = label(QStringLiteral("description_label"));
    m_descriptionValue = valueLabel(QStringLiteral("description_value"), m_box);
    form->addRow(m_locationLabel, m_locationValue);
    form->addRow(m_serialLabel, m_serialValue);
    form->addRow(m_manufacturerLabel, m_manufacturerValue);
    form->addRow(m_descriptionLabel, m_descriptionValue);
    inner->addLayout(form);

    auto* buttons = new QHBoxLayout();
    buttons->setObjectName(QStringLiteral("horizontalLayout"));
    m_refresh = new QPushButton(m_box);
    m_refresh->setObjectName(QStringLiteral("button_refresh"));
    m_refresh->setIcon(QIcon(QStringLiteral(":/ui/refresh")));
    m_apply = new QPushButton(m_box);
    m_apply->setObjectName(QStringLiteral("button_apply"));
    m_apply->setIcon(QIcon(QStringLiteral(":/ui/apply")));
    m_apply->setEnabled(false);
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_apply);
    inner->addLayout(buttons);
    m_hint = new QLabel(m_box);
    m_hint->setObjectName(QStringLiteral("l_port_hint"));
    m_hint->setWordWrap(true);
    m_hint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_hint->hide();
    inner->addWidget(m_hint);
    retranslate();
    setMinimumWidth(360);

    ZCore::SettingsManager::registerRestorable(restorable());
    connect(&ZCore::SettingsManager::instance(), &ZCore::SettingsManager::signalGotSettings, this,
            &DeviceConnector::slotGotSettings);
    connect(m_list, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DeviceConnector::slotShowPortInfo);
    connect(m_refresh, &QPushButton::released, this, &DeviceConnector::slotUpdatePortsInfo);
    connect(m_apply, &QPushButton::released, this, &DeviceConnector::apply);
    // A busy port is retried by the reconnection: once it opens, the explanation has served.
    connect(&ZData::DM::SerialPort::instance(), &ZData::DM::SerialPort::signalOpened, this, [this] {
        if (m_failure.isEmpty())
            return;
        m_failure.clear();
        updateHint();
        if (isVisible())
            close();
    });
    restoreSettings();
    m_timer.setInterval(REFRESH_INTERVAL_MS);
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, &DeviceConnector::slotUpdatePortsInfo);
}

DeviceConnector::~DeviceConnector()
{
    ZCore::SettingsManager::unregisterRestorable(restorable());
}

bool DeviceConnector::isAnalyser(const QString& manufacturer)
{
    return manufacturer.contains(QLatin1String("STMicro"), Qt::CaseInsensitive) ||
           manufacturer.contains(QLatin1String("Dovra"), Qt::CaseInsensitive);
}

void DeviceConnector::setPortSource(PortSource source)
{
    m_source = std::move(source);
}

void DeviceConnector::retranslate()
{
    setWindowTitle(qtTrId("devcon_sp_window_title"));
    m_locationLabel->setText(qtTrId("devcon_sp_location"));
    m_serialLabel->setText(qtTrId("devcon_sp_serial_number"));
    m_manufacturerLabel->setText(qtTrId("devcon_sp_manufacturer"));
    m_descriptionLabel->setText(qtTrId("devcon_sp_description"));
    m_refresh->setText(qtTrId("devcon_sp_btn_refresh"));
    m_apply->setText(qtTrId("devcon_sp_btn_apply"));
    updateHint();
}

void DeviceConnector::updateHint()
{
    QString text = m_failure;
    if (text.isEmpty() && m_list->count() == 0)
        text = ZData::PortOpenDiagnosis::noAnalyserListed();
    m_hint->setText(text);
    m_hint->setVisible(!text.isEmpty());
    // A top-level dialog does not grow by itself for a label that wraps onto more lines.
    if (isVisible() && layout()) {
        layout()->activate();
        const int needed = layout()->totalHeightForWidth(width());
        if (needed > height())
            resize(width(), needed);
    }
}

void DeviceConnector::setValuesUnknown()
{
    for (QLabel* value : {m_locationValue, m_serialValue, m_manufacturerValue, m_descriptionValue})
        value->setText(NOT_AVAILABLE);
}

void DeviceConnector::slotUpdatePortsInfo()
{
    const QList<ZData::TPortListing> ports = m_source ? m_source() : ZData::PortEnumerator::availablePorts();
    QList<QStringList> items;
    QStringList names;
    for (const ZData::TPortListing& port : ports) {
        if (!isAnalyser(port.manufacturer))
            continue;
        items.append({port.portName, orUnknown(port.description), orUnknown(port.manufacturer),
                      orUnknown(port.serialNumber), orUnknown(port.systemLocation)});
        names.append(port.portName);
    }

    if (names != m_listed || m_list->count() != names.size()) {
        const QString chosen = m_list->currentText();
        {
            const QSignalBlocker blocker(m_list);
            m_list->clear();
            for (const QStringList& item : items)
                m_list->addItem(item.first(), item);
        }
        m_listed = names;
        m_failure.clear();
        setValuesUnknown();
        const int again = chosen.isEmpty() ? -1 : m_list->findText(chosen);
        m_list->setCurrentIndex(-1);
        m_list->setCurrentIndex(again >= 0 ? again : (m_list->count() > 0 ? 0 : -1));
    } else {
        // Same ports: keep the choice, refresh the details the system may have filled in since.
        for (int i = 0; i < items.size(); ++i)
            m_list->setItemData(i, items.at(i));
        slotShowPortInfo(m_list->currentIndex());
    }
    m_apply->setEnabled(m_list->count() > 0);
    updateHint();
}

void DeviceConnector::slotShowPortInfo(int index)
{
    if (index < 0)
        return;
    const QStringList info = m_list->itemData(index).toStringList();
    auto element = [&info](int i) { return i < info.size() ? info.at(i) : NOT_AVAILABLE; };
    m_descriptionValue->setText(element(1));
    m_manufacturerValue->setText(element(2));
    m_serialValue->setText(element(3));
    m_locationValue->setText(element(4));
}

void DeviceConnector::slotGotSettings()
{
    restoreSettings();
}

bool DeviceConnector::openPort(const QString& name, QString* failure)
{
    ZData::TSerialPortConfig config = ZData::DM::SerialPort::config();
    config.portName = name;
    ZData::DM::SerialPort::setConfig(config);
    ZData::ConnectionManager::setAutoReconnect(true);
    if (ZData::DM::SerialPort::open(true))
        return true;
    const QSerialPort& port = ZData::DM::SerialPort::port();
    const QString text = ZData::PortOpenDiagnosis::explain(name, port.error(), port.errorString());
    qCritical().noquote().nospace() << tag() << " >> " << text;
    if (failure)
        *failure = text;
    return false;
}

void DeviceConnector::apply()
{
    const QString name = m_list->currentText();
    // A port that would not open keeps the dialog up with the reason and what to do about it.
    if (!name.isEmpty() && !openPort(name, &m_failure)) {
        updateHint();
        return;
    }
    m_failure.clear();
    updateHint();
    close();
}

void DeviceConnector::showEvent(QShowEvent* event)
{
    slotUpdatePortsInfo();
    m_timer.start();
    QDialog::showEvent(event);
}

void DeviceConnector::finishShowing()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    saveSettings();
}

void DeviceConnector::closeEvent(QCloseEvent* event)
{
    finishShowing();
    QDialog::closeEvent(event);
}

void DeviceConnector::done(int result)
{
    // Esc and reject end here without a close event.
    finishShowing();
    QDialog::done(result);
}

void DeviceConnector::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void DeviceConnector::saveSettings()
{
    const ZCore::TaggedLog log(tag());
    log.info(QStringLiteral(">> DeviceConnector::saveSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.critical("devcon_err_cant_write_settings");
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::WINDOW_CONNECTION));
    settings->setValue(QStringLiteral("geometry"), saveGeometry());
    settings->endGroup();
}

void DeviceConnector::restoreSettings()
{
    const ZCore::TaggedLog log(tag());
    log.info(QStringLiteral(">> DeviceConnector::restoreSettings.."));
    QSettings* settings = ZCore::SettingsManager::settings();
    if (!settings) {
        log.warn(QStringLiteral(">> no settings loaded"));
        return;
    }
    settings->beginGroup(ZCore::SettingsManager::groupName(ZCore::ESettingsGroups::WINDOW_CONNECTION));
    const QByteArray geometry = settings->value(QStringLiteral("geometry")).toByteArray();
    settings->endGroup();
    if (!geometry.isEmpty()) {
        restoreGeometry(geometry);
        ZCore::UtilityModules::UI::tryToFixWidgetScreenPos(this);
    }
}
