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

    void ordering_data()
    {
        QTest::addColumn<QList<int>>("toFront"); // per added command after the first: 1 = to front
        QTest::addColumn<QList<quint16>>("expected");
        QTest::newRow("appended") << QList<int>{0, 0} << QList<quint16>{1, 2, 3};
        // each front insertion goes directly behind the command in progress
        QTest::newRow("two to front") << QList<int>{1, 1} << QList<quint16>{1, 3, 2};
        QTest::newRow("mixed") << QList<int>{0, 1, 0} << QList<quint16>{1, 3, 2, 4};
    }
    void ordering()
    {
        QFETCH(QList<int>, toFront);
        QFETCH(QList<quint16>, expected);
        CommandQueue::add(EDeviceCommands(1));
        QCOMPARE(m_started, QList<quint16>{1}); // an empty queue starts at once
        for (int i = 0; i < toFront.size(); ++i)
            CommandQueue::add(EDeviceCommands(i + 2), {}, 0, toFront.at(i) != 0);
        QCOMPARE(m_started.size(), 1); // a busy queue does not
        while (!CommandQueue::isEmpty())
            CommandQueue::process(true);
        QCOMPARE(m_started, expected);
        QCOMPARE(m_empty, 1);
    }

    void actionReplacesSignal()
    {
        TCommandHeader seen;
        CommandQueue::add(
            EDeviceCommands::F_READ_CALIB_RANGE, [&seen](const TCommandHeader& h) { seen = h; }, 0xFFFF);
        QVERIFY(m_started.isEmpty());
        QCOMPARE(seen.command, quint16(EDeviceCommands::F_READ_CALIB_RANGE));
        QCOMPARE(seen.options, quint16(0xFFFF));
        QCOMPARE(seen.deviceWord, quint16(0x80FF));
    }

    void actionMayClearQueue()
    {
        // an action that ends the link (closing port) empties the queue while it runs
        int calls = 0;
        QByteArray payload(64, 'p');
        CommandQueue::add(EDeviceCommands::DISCONNECT, [&calls, payload](const TCommandHeader&) {
            CommandQueue::clear();
            ++calls;
            QCOMPARE(payload.size(), 64); // the action's captures are still alive
        });
        QCOMPARE(calls, 1);
        QVERIFY(CommandQueue::isEmpty());
    }

    void heldStartRunsOnRelease()
    {
        CommandQueue::holdStart(true);
        CommandQueue::add(EDeviceCommands::D_GET_OPTIONS);
        QVERIFY(m_started.isEmpty());
        CommandQueue::holdStart(false);
        QCOMPARE(m_started, QList<quint16>{quint16(EDeviceCommands::D_GET_OPTIONS)});
        CommandQueue::holdStart(false); // no second start
        QCOMPARE(m_started.size(), 1);
    }

    void finishOnEmptyQueue()
    {
        CommandQueue::process(true);
        QCOMPARE(m_empty, 1);
        QVERIFY(CommandQueue::isEmpty());
        QCOMPARE(CommandQueue::head().command, quint16(EDeviceCommands::UNDEFINED));
    }
};

QTEST_GUILESS_MAIN(tst_CommandQueue)
#include "tst_CommandQueue.moc"
