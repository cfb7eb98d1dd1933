#include "PageTestSupport.h"

#include <QFileDialog>
#include <QtTest>

#include "core/Logger.h"
#include "core/Resources.h"
#include "core/StartupSequence.h"
#include "ui/PageFileDialogs.h"

namespace TestSupport {

bool initAllManagers()
{
    ZCore::initResources();
    return ZCore::StartupSequence::startManagers().isEmpty();
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

CapturedMessages::CapturedMessages()
{
    ZCore::Logger::setPresenter(
        [this](QtMsgType, const QString&, const QString& text) { m_texts.append(text); });
}

CapturedMessages::~CapturedMessages()
{
    // Never a modal box in a test, also after this object.
    ZCore::Logger::setPresenter([](QtMsgType, const QString&, const QString&) {});
}

bool CapturedMessages::contains(const QStringList& parts) const
{
    for (const QString& text : m_texts) {
        bool all = true;
        for (const QString& part : parts)
            all = all && text.contains(part);
        if (all)
            return true;
    }
    return false;
}

DialogAnswer::DialogAnswer(const QString& path)
{
    Ui::PageFileDialogs::setRunner([this, path](QFileDialog* dialog) {
        ++m_answered;
        m_directory = dialog->directory().absolutePath();
        if (path.isEmpty()) {
            static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    });
}

DialogAnswer::~DialogAnswer()
{
    Ui::PageFileDialogs::setRunner(
        [](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->done(QDialog::Rejected); });
}

QColor buttonColor(QWidget* button)
{
    return button->palette().color(QPalette::Button);
}

bool showsIcon(QAbstractButton* button, const char* path)
{
    return button->icon().pixmap(32, 32).toImage() ==
           QIcon(QString::fromLatin1(path)).pixmap(32, 32).toImage();
}

} // namespace TestSupport
