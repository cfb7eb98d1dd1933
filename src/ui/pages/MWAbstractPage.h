#pragma once

#include <QObject>
#include <QString>

#include "ui/ENavBarMenuPages.h"

class MainWindow;
class QWidget;

namespace Ui {
class MainWindowUi;
}

namespace MW_Pages {

// Base of the side panel's pages. A page fills its own part of the window's widget tree, keeps
// its own settings and reaches the rest of the program only through the main window's accessors.
class MWAbstractPage : public QObject
{
    Q_OBJECT

public:
    explicit MWAbstractPage(QObject* parent = nullptr);

    static QString staticTag() { return QStringLiteral("MWAbstractPage"); }
    QString tag() const { return m_tag; }

    // Stores the window and the tag, then builds the page; false when the window or its widget
    // tree is missing (the page then stays empty and the window still opens).
    bool init(MainWindow* window, const QString& tag);
    bool isInitialized() const { return m_initialized; }
    MainWindow* mainWindow() const { return m_window; }
    Ui::MainWindowUi* ui() const { return m_ui; }

    // Re-reads every text of the page (the window calls it on a language change).
    virtual void retranslateUi() {}

protected:
    // Builds the page's widgets, then calls the base, which runs initUiActions.
    virtual void initUi();
    // Makes the page's connections.
    virtual void initUiActions();
    // The scroll area's widget of a page, where its contents live.
    QWidget* scrollWidget(ZCommon::ENavBarMenuPages page) const;

    QString m_tag;
    Ui::MainWindowUi* m_ui = nullptr;
    MainWindow* m_window = nullptr;

private:
    bool m_initialized = false;
};

} // namespace MW_Pages
