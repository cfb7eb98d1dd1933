#pragma once

#include <QString>

#include "ui/pages/MWAbstractPage.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace MW_Pages {

// The settings page: language, interpolation, and presets saved from and loaded into the working
// profile. A preset is checked before it replaces the working profile, so an unreadable file is
// reported and changes nothing.
class PgSettings : public MWAbstractPage
{
    Q_OBJECT

public:
    static constexpr const char* KEY_LANGUAGE = "language";
    static constexpr const char* KEY_INTERPOLATION = "interpolation_enabled";

    explicit PgSettings(QObject* parent = nullptr);
    ~PgSettings() override;

    static QString staticTag() { return QStringLiteral("MW_Pages::PgSettings"); }
    // Empty when the file can serve as a profile, else the reason it cannot.
    static QString presetProblem(const QString& path);

    QFileDialog* saveDialog() const { return m_saveDialog; }
    QFileDialog* loadDialog() const { return m_loadDialog; }
    QComboBox* languageBox() const { return m_language; }
    QCheckBox* remoteBox() const { return m_remote; }
    QLineEdit* remotePortEdit() const { return m_remotePort; }

    void retranslateUi() override;

public slots:
    void slotChangedLanguage(int index);
    void slotLoadedLang();
    void slotPresetSaveFile();
    void slotProcessPresetSaveFile(int result);
    void slotPresetLoadFile();
    void slotProcessPresetLoadFile(int result);
    void slotInterpolationEnabled();
    // The remote-control check box or port changed: store them in the profile and apply them.
    void slotRemoteChanged();
    void saveSettings();
    void restoreSettings();

protected:
    void initUi() override;
    void initUiActions() override;

private:
    void openDialog(QFileDialog* dialog, const char* missingId);

    QLabel* m_languageTitle = nullptr;
    QComboBox* m_language = nullptr;
    QLabel* m_interpolationTitle = nullptr;
    QCheckBox* m_interpolation = nullptr;
    QLabel* m_remoteTitle = nullptr;
    QCheckBox* m_remote = nullptr;
    QLabel* m_remotePortTitle = nullptr;
    QLineEdit* m_remotePort = nullptr;
    QLabel* m_presetTitle = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_load = nullptr;
    QFileDialog* m_saveDialog = nullptr;
    QFileDialog* m_loadDialog = nullptr;
};

} // namespace MW_Pages
