#pragma once

#include <QMetaObject>
#include <QString>
#include <QVector>

#include "measurement/TouchstoneFile.h"
#include "ui/pages/MWAbstractPage.h"

class QComboBox;
class QFileDialog;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace Ui {
namespace Components {
class LoadedTraceListEntry;
}
} // namespace Ui

namespace MW_Pages {

// The traces page: saves the current sweep, loads trace files into the store and lists the stored
// traces with their colours. Entry i always shows stored trace i, so the list is rebuilt from the
// store whenever the store changes shape.
class PgTraces : public MWAbstractPage
{
    Q_OBJECT

public:
    static constexpr int LIST_SIZE = 6;
    static constexpr const char* DEFAULT_SUFFIX = "tbin";
    static constexpr const char* SETTINGS_SUBGROUP = "Page";
    static constexpr const char* KEY_LAST_DIR = "last_dir";
    static constexpr const char* KEY_TOUCHSTONE_FORMAT = "touchstone_format";
    static constexpr const char* KEY_TOUCHSTONE_UNIT = "touchstone_unit";

    explicit PgTraces(QObject* parent = nullptr);
    ~PgTraces() override;

    static QString staticTag() { return QStringLiteral("MW_Pages::PgTraces"); }

    QFileDialog* saveDialog() const { return m_saveDialog; }
    QFileDialog* loadDialog() const { return m_loadDialog; }
    Ui::Components::LoadedTraceListEntry* entry(int index) const;
    QLabel* colorSwatch(int index) const;
    QString lastDir() const { return m_lastDir; }
    QComboBox* touchstoneFormatBox() const { return m_touchstoneFormat; }
    QComboBox* touchstoneUnitBox() const { return m_touchstoneUnit; }
    // The data format and frequency unit chosen for saved Touchstone files.
    ZData::TouchstoneFile::TWriteOptions touchstoneOptions() const;

    void retranslateUi() override;

public slots:
    void slotLoadedLang();
    void slotLoadedTrace(int index);
    void slotRemovedTrace(int index);
    void slotClearedTraces();
    void slotTraceSaveFile();
    void slotProcessTraceSaveFile(int result);
    void slotTraceLoadFile();
    void slotProcessTraceLoadFile(int result);
    void saveSettings();
    void restoreSettings();

protected:
    void initUi() override;
    void initUiActions() override;

private:
    void refreshButtons();
    void rebuildList();
    void showEntry(int index);
    void rememberDir(const QString& path);

    QPushButton* m_save = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_removeAll = nullptr;
    QLabel* m_touchstoneLabel = nullptr;
    QComboBox* m_touchstoneFormat = nullptr;
    QComboBox* m_touchstoneUnit = nullptr;
    QVBoxLayout* m_list = nullptr;
    QVector<Ui::Components::LoadedTraceListEntry*> m_entries;
    QVector<QLabel*> m_swatches;
    QVector<QWidget*> m_rows;
    QFileDialog* m_saveDialog = nullptr;
    QFileDialog* m_loadDialog = nullptr;
    QString m_lastDir;
    QMetaObject::Connection m_firstData;
};

} // namespace MW_Pages
