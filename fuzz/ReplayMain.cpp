// Runs a fuzz target over its committed seeds (files or directories given as arguments), so that
// the ordinary test suite puts every seed through the parsers without a fuzzing compiler.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo info(QString::fromLocal8Bit(argv[i]));
        if (info.isDir()) {
            for (const QFileInfo& entry : QDir(info.filePath()).entryInfoList(QDir::Files, QDir::Name))
                files << entry.filePath();
        } else {
            files << info.filePath();
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "error: no seed files given\n");
        return 1;
    }
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "error: cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        std::printf("%s (%d bytes)\n", qPrintable(QFileInfo(path).fileName()), int(bytes.size()));
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    std::printf("%d seeds passed\n", int(files.size()));
    return 0;
}
