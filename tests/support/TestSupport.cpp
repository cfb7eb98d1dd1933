#include "TestSupport.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include "core/AppPaths.h"
#include "core/StartupSequence.h"
#include "devicelink/FrameCodec.h"
#include "measurement/DataScanManager.h"

namespace TestSupport {

ScopedAppDir::ScopedAppDir()
{
    ZCore::AppPaths::setBaseDir(m_dir.path());
}

ScopedAppDir::~ScopedAppDir()
{
    ZCore::AppPaths::resetBaseDir();
}

QStringList initManagersButLogger()
{
    return ZCore::StartupSequence::startManagers(ZCore::StartupSequence::ELogger::LEAVE_OUT);
}

ZData::TDeviceReply scanReply(quint16 index, float countField, int pairs,
                              const std::function<std::complex<float>(int)>& value)
{
    ZData::TDeviceReply reply;
    reply.header.command = quint16(ZData::EDeviceCommands::DA_GET_SCAN_DATA);
    reply.header.options = index;
    QDataStream stream(&reply.data, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream.setFloatingPointPrecision(QDataStream::SinglePrecision);
    stream << countField << 0.0f;
    for (int j = 0; j < pairs; ++j)
        stream << value(j).real() << value(j).imag();
    return reply;
}

int soakSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TOLVEK_SOAK_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 60;
}

quint32 soakSeed(quint32 ownSeed)
{
    bool ok = false;
    const int seed = qEnvironmentVariableIntValue("TOLVEK_SOAK_SEED", &ok);
    return ok ? quint32(seed) : ownSeed;
}

void allowSoakLength()
{
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((qint64(soakSeconds()) + 60) * 1000));
}

void setSweep(double start, double stop, quint32 points)
{
    auto& sweep = ZData::DataScanManager::sweep();
    sweep.setStart(start, false);
    sweep.setStop(stop, false);
    sweep.setPoints(points, true);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

bool takeFrame(QByteArray& buffer, ZData::TDeviceReply& frame)
{
    using ZData::FrameCodec;
    for (;;) {
        const int pos = buffer.indexOf(char(FrameCodec::FRAME_START));
        buffer.remove(0, pos < 0 ? buffer.size() : pos);
        if (pos < 0 || !FrameCodec::parseHeader(buffer, 0, frame.header))
            return false;
        if (!FrameCodec::isHeaderValid(frame.header)) {
            buffer.remove(0, 1);
            continue;
        }
        const int length = frame.header.dataLength;
        if (buffer.size() < FrameCodec::FRAME_OVERHEAD + length)
            return false;
        frame.data = buffer.mid(1 + FrameCodec::HEADER_SIZE, length);
        frame.checksum = buffer.mid(1 + FrameCodec::HEADER_SIZE + length, 4);
        buffer.remove(0, FrameCodec::FRAME_OVERHEAD + length);
        return true;
    }
}

TProcessRun runProcess(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                       const QString& workDir, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workDir);
    process.start(program, args);
    TProcessRun run;
    if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    if (process.error() != QProcess::FailedToStart && process.exitStatus() == QProcess::NormalExit)
        run.code = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace TestSupport
