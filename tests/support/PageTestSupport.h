#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

namespace TestSupport {

// Every manager in start-up order, as the program starts them before its window.
bool initAllManagers();

// Runs the event loop until the condition holds (true) or the time is up (false).
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000);

// Collects the messages the logger would show the user, instead of showing a box.
class CapturedMessages
{
public:
    CapturedMessages();
    ~CapturedMessages();
    const QStringList& texts() const { return m_texts; }
    // True when one message holds every part.
    bool contains(const QStringList& parts) const;
    void clear() { m_texts.clear(); }

private:
    QStringList m_texts;
};

// Answers the pages' file dialogs without opening them: with `path` (accepted) or cancelled when
// the path is empty. Counts the dialogs answered.
class DialogAnswer
{
public:
    explicit DialogAnswer(const QString& path);
    ~DialogAnswer();
    int answered() const { return m_answered; }
    QString directory() const { return m_directory; }

private:
    int m_answered = 0;
    QString m_directory;
};

// A button's colour, and whether it shows the icon of that resource path.
QColor buttonColor(QWidget* button);
bool showsIcon(QAbstractButton* button, const char* path);

} // namespace TestSupport
