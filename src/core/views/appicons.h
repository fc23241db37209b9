#pragma once

#include <QIcon>

// Without a desktop session (offscreen, a bare X server) Qt knows no icon theme; the first
// freedesktop theme installed on the machine is used then, so tool buttons get real icons.
// A desktop's own theme is left alone.
void UseInstalledIconTheme();

// The icon of the application's windows, drawn here so that it needs no image files.
QIcon ApplicationIcon();

// Japanese captions drawn with a Japanese font where one is installed: without it the
// system's fallback may pick Chinese glyph forms for the kanji.
void PreferJapaneseFont();
