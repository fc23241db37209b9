#include "core/views/appicons.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStandardPaths>

void UseInstalledIconTheme()
{
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String("hicolor"))
        return;
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString icons = QDir(data).filePath(QStringLiteral("icons"));
        if (!paths.contains(icons) && QFileInfo(icons).isDir())
            paths << icons;
    }
    QIcon::setThemeSearchPaths(paths);
    static const char* const kThemes[] = { "Adwaita", "breeze", "oxygen", "Tango", "gnome" };
    for (const char* theme : kThemes) {
        for (const QString& path : paths) {
            if (QFile::exists(QDir(path).filePath(QLatin1String(theme) + QStringLiteral("/index.theme")))) {
                QIcon::setThemeName(QLatin1String(theme));
                return;
            }
        }
    }
}


QImage ApplicationIconImage(int size)
{
    QImage pixmap(size, size, QImage::Format_ARGB32_Premultiplied);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // A browser window with a check mark: a browser for testing.
    QLinearGradient blue(0, 0, 0, 32);
    blue.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    blue.setColorAt(1, QColor(0x1f, 0x4e, 0x8c));
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(5, 7, 22, 19), 2, 2);
    p.setBrush(QColor(0xc8, 0xd8, 0xf0));
    p.drawRect(QRectF(5, 7, 22, 4));
    QPainterPath check;
    check.moveTo(10, 18);
    check.lineTo(14.5, 22.5);
    check.lineTo(23, 13.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2e, 0x9d, 0x4a), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(check);
    p.end();
    return pixmap;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : kApplicationIconSizes)
        icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
}

void PreferJapaneseFont()
{
    static const char* const kJapanese[] = { "Noto Sans CJK JP", "Noto Sans JP", "IPAexGothic", "IPAGothic",
                                             "TakaoGothic", "VL Gothic" };
    QFont font = QApplication::font();
    const QStringList installed = QFontDatabase::families();
    for (const char* family : kJapanese) {
        const QString name = QLatin1String(family);
        if (!installed.contains(name))
            continue;
        QStringList families = font.families();
        if (families.isEmpty())
            families << font.family();
        if (families.contains(name))
            return;
        // Latin text keeps the system font; kanji and kana come from the Japanese one.
        families << name;
        font.setFamilies(families);
        QApplication::setFont(font);
        return;
    }
}
