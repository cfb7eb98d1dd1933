#include "ui/pages/MWAbstractPage.h"

#include "core/TaggedLog.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowUi.h"

namespace MW_Pages {

MWAbstractPage::MWAbstractPage(QObject* parent) : QObject(parent), m_tag(staticTag()) {}

bool MWAbstractPage::init(MainWindow* window, const QString& tag)
{
    m_tag = tag;
    m_window = window;
    const ZCore::TaggedLog log(m_tag);
    if (!m_window) {
        log.warn(QStringLiteral(">> failed to get parent"));
        return false;
    }
    m_ui = m_window->getUi();
    if (!m_ui) {
        log.warn(QStringLiteral(">> failed to get UI"));
        return false;
    }
    initUi();
    m_initialized = true;
    log.info(QStringLiteral(">> initialized"));
    return true;
}

void MWAbstractPage::initUi()
{
    initUiActions();
}

void MWAbstractPage::initUiActions()
{
    ZCore::TaggedLog(m_tag).debug(QStringLiteral(">> MW_Pages::MWAbstractPage::initUiActions.."));
}

QWidget* MWAbstractPage::scrollWidget(ZCommon::ENavBarMenuPages page) const
{
    return m_ui ? m_ui->scrollWidgets[int(page)] : nullptr;
}

} // namespace MW_Pages
