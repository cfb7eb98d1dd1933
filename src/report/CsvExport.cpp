#include "report/CsvExport.h"

#include <QSaveFile>


namespace ZReport {

QByteArray CsvExport::markers(const QVector<TReportMarker>& markers)
{
    QByteArray out = "View,Marker,Position,Readout\n";
    for (const TReportMarker& marker : markers) {
        QStringList lines;
        for (const QString& line : marker.readout)
            lines.append(line.simplified());
        out += field(marker.view) + ',' + QByteArray::number(marker.number) + ',' + field(marker.position) +
               ',' + field(lines.join(QStringLiteral(" | "))) + '\n';
    }
    return out;
}

QByteArray CsvExport::field(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

bool CsvExport::write(const QString& path, const QByteArray& content, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(content) != content.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace ZReport
