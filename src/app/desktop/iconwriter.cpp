// Writes the application icon as PNG files for the desktop's icon theme, at build time:
//   calverdine-icons DIR   ->   DIR/<n>x<n>/apps/calverdine.png for every size
#include "core/views/appicons.h"

#include <QDir>
#include <QGuiApplication>
#include <QString>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: calverdine-icons DIR\n", stderr);
        return 2;
    }
    // Painting needs the GUI module set up, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (int size : kApplicationIconSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = root.filePath(folder + QStringLiteral("/calverdine.png"));
        if (!root.mkpath(folder) || !ApplicationIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "calverdine-icons: cannot write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
