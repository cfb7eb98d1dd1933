#!/usr/bin/env bash
# Renders packaging/icons/tolvekvna.svg into the PNG sizes the package installs
# (packaging/icons/tolvekvna-<size>.png), with the toolkit's own SVG renderer. Run it after
# changing the SVG and commit the PNGs with it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/tolvekvna-icons.XXXXXX")"
trap 'rm -rf "$work"' EXIT

cat >"$work/render.cpp" <<'CPP'
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid())
        return 1;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        if (!image.save(QStringLiteral("%1/tolvekvna-%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size)))
            return 1;
    }
    return 0;
}
CPP
# shellcheck disable=SC2046
g++ -std=c++17 -fPIC "$work/render.cpp" -o "$work/render" $(pkg-config --cflags --libs Qt5Gui Qt5Svg)
QT_QPA_PLATFORM=offscreen "$work/render" "$root/packaging/icons/tolvekvna.svg" "$root/packaging/icons"
ls "$root"/packaging/icons/tolvekvna-*.png
