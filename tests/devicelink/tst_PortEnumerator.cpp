#include <QtTest>

#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include "devicelink/PortEnumerator.h"

using ZData::PortEnumerator;

namespace {

int chmod(const QString& path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode);
}

bool writeAnnouncement(const QString& file, const QString& portPath)
{
    QJsonObject o;
    o.insert("pid", QCoreApplication::applicationPid());
    o.insert("path", portPath);
    o.insert("manufacturer", "planted");
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(QJsonDocument(o).toJson()) > 0;
}

bool isListed(const QString& portPath)
{
    for (const ZData::TPortListing& port : PortEnumerator::announcedPorts())
        if (port.portName == portPath)
            return true;
    return false;
}

} // namespace

// Announcements decide what the port dialog offers as an analyser, so only the user's own, in the
// user's own private directory, for a terminal device, may count.
class tst_PortEnumerator : public QObject
{
    Q_OBJECT

    // fresh for each test function: the user's runtime directory, and one standing in for the
    // shared, world-writable temporary directory
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_base = QDir::tempPath(); // before the tests point TMPDIR elsewhere
    int m_master = -1;
    int m_slave = -1;
    QString m_pty;

private slots:
    void initTestCase()
    {
        char name[256] = {};
        QCOMPARE(::openpty(&m_master, &m_slave, name, nullptr, nullptr), 0);
        m_pty = QString::fromLocal8Bit(name);
    }

    void init()
    {
        m_runtime = std::make_unique<QTemporaryDir>(m_base + "/runtime-XXXXXX");
        m_tmp = std::make_unique<QTemporaryDir>(m_base + "/tmp-XXXXXX");
        QVERIFY(m_runtime->isValid() && m_tmp->isValid());
        QCOMPARE(chmod(m_runtime->path(), 0700), 0);
        QCOMPARE(chmod(m_tmp->path(), 0777), 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
        qputenv("TMPDIR", QFile::encodeName(m_tmp->path()));
    }

    void announcementIsChecked_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<bool>("offered");
        QTest::newRow("pseudo-terminal") << "pty" << true;
        QTest::newRow("link to a pseudo-terminal") << "pty link" << true;
        QTest::newRow("regular file") << "file" << false;
        QTest::newRow("directory") << "dir" << false;
        QTest::newRow("pipe") << "fifo" << false;
        QTest::newRow("missing path") << "missing" << false;
        QTest::newRow("announcement owned by another user") << "foreign owner" << false;
        QTest::newRow("announcement is a link to a file elsewhere") << "linked announcement" << false;
        QTest::newRow("runtime directory open to others") << "open runtime" << false;
        QTest::newRow("announcement in the temporary directory") << "temp dir" << false;
    }

    void announcementIsChecked()
    {
        QFETCH(QString, planted);
        QFETCH(bool, offered);
        const QDir runtime(m_runtime->path());
        const QString announcement = runtime.filePath("tolvekvna-port-1.json");
        QString port = m_pty;
        if (planted == "pty link") {
            port = runtime.filePath("ttyVNA");
            QVERIFY(QFile::link(m_pty, port));
        } else if (planted == "file") {
            port = QDir(m_tmp->path()).filePath("not-a-port");
            QVERIFY(writeAnnouncement(port, "x"));
        } else if (planted == "dir") {
            port = m_tmp->path();
        } else if (planted == "fifo") {
            port = QDir(m_tmp->path()).filePath("fifo");
            QCOMPARE(::mkfifo(QFile::encodeName(port).constData(), 0600), 0);
        } else if (planted == "missing") {
            port = "/nonexistent/ttyVNA";
        }
        if (planted == "linked announcement") {
            const QString elsewhere = QDir(m_tmp->path()).filePath("announcement.json");
            QVERIFY(writeAnnouncement(elsewhere, port));
            QVERIFY(QFile::link(elsewhere, announcement));
        } else if (planted == "temp dir") {
            QVERIFY(writeAnnouncement(QDir(m_tmp->path()).filePath("tolvekvna-port-1.json"), port));
        } else {
            QVERIFY(writeAnnouncement(announcement, port));
        }
        if (planted == "foreign owner") {
            if (::getuid() != 0)
                QSKIP("giving a file to another user needs root");
            QCOMPARE(::chown(QFile::encodeName(announcement).constData(), 65534, 65534), 0);
        }
        if (planted == "open runtime")
            QCOMPARE(chmod(m_runtime->path(), 0777), 0);

        QCOMPARE(isListed(port), offered);
    }

    // Without a runtime directory the user gets a private one; one that others can enter is not used.
    void runtimeDirectoryIsPrivate_data()
    {
        QTest::addColumn<QString>("runtime"); // "unset", "open" or "private"
        QTest::newRow("unset: created") << "unset";
        QTest::newRow("open to others: not used") << "open";
        QTest::newRow("private: used") << "private";
    }

    void runtimeDirectoryIsPrivate()
    {
        QFETCH(QString, runtime);
        if (runtime == "unset")
            qunsetenv("XDG_RUNTIME_DIR");
        if (runtime == "open")
            QCOMPARE(chmod(m_runtime->path(), 0777), 0);
        const QString dir = PortEnumerator::announceDir();
        if (runtime == "private") {
            QCOMPARE(dir, m_runtime->path());
        } else {
            QVERIFY2(dir.startsWith(m_tmp->path() + "/runtime-"), qPrintable(dir));
            struct stat st;
            QCOMPARE(::stat(QFile::encodeName(dir).constData(), &st), 0);
            QCOMPARE(int(st.st_mode & 0777), 0700);
        }
        // an own announcement made there is found again and nobody else can read it
        const QString file = PortEnumerator::announce({m_pty, "", "own", "", "", true});
        QVERIFY(file.startsWith(dir + "/"));
        QCOMPARE(int(QFile::permissions(file) & 0x0077), 0);
        QVERIFY(isListed(m_pty));
        QVERIFY(PortEnumerator::withdraw(file));
        QVERIFY(!isListed(m_pty));
    }
};

QTEST_GUILESS_MAIN(tst_PortEnumerator)
#include "tst_PortEnumerator.moc"
