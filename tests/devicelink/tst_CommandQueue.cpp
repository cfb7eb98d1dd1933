#include <QtTest>

#include "devicelink/CommandQueue.h"

using namespace ZData;
using DM::CommandQueue;

class tst_CommandQueue : public QObject
{
    Q_OBJECT

    QList<quint16> m_started;
    int m_empty = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(CommandQueue::init());
        connect(&CommandQueue::instance(), &CommandQueue::signalGotCommand, this,
                [this](const TCommandHeader& h) { m_started.append(h.command); });
        connect(&CommandQueue::instance(), &CommandQueue::signalBecameEmpty, this, [this] { ++m_empty; });
    }
    void init()
    {
        CommandQueue::holdStart(false);
        CommandQueue::clear();
        m_started.clear();
        m_empty = 0;
    }

    void ordering()
    {
        CommandQueue::holdStart(true);
        CommandQueue::add(EDeviceCommands(1));
        QVERIFY(m_started.isEmpty());
        CommandQueue::holdStart(false);
        CommandQueue::holdStart(false); // no second start
        QCOMPARE(m_started, QList<quint16>{1}); // an empty queue starts at once, unless held
        // front insertions go directly behind the command in progress
        const QList<bool> toFront{false, true, false};
        for (int i = 0; i < toFront.size(); ++i)
            CommandQueue::add(EDeviceCommands(i + 2), {}, 0, toFront.at(i));
        QCOMPARE(m_started.size(), 1); // a busy queue does not
        while (!CommandQueue::isEmpty())
            CommandQueue::process(true);
        QCOMPARE(m_started, (QList<quint16>{1, 3, 2, 4}));
        QCOMPARE(m_empty, 1);
    }

    void actionMayClearQueue()
    {
        // an action that ends the link empties the queue while it runs
        int calls = 0;
        QByteArray payload(64, 'p');
        CommandQueue::add(EDeviceCommands::DISCONNECT, [&calls, payload](const TCommandHeader& h) {
            QCOMPARE(h.command, quint16(EDeviceCommands::DISCONNECT));
            CommandQueue::clear();
            ++calls;
            QCOMPARE(payload.size(), 64); // the action's captures are still alive
        });
        QCOMPARE(calls, 1);
        QVERIFY(m_started.isEmpty()); // the action replaces the signal
        QVERIFY(CommandQueue::isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_CommandQueue)
#include "tst_CommandQueue.moc"
