#pragma once

#include <QIcon>

// Without a desktop session (offscreen, a bare X server) Qt knows no icon theme; the first
// freedesktop theme installed on the machine is used then, so tool buttons get real icons.
// A desktop's own theme is left alone.
void UseInstalledIconTheme();

#include <QImage>

#include <array>

// The icon of the application's windows, drawn here so that it needs no image files. The
// installed desktop icons are drawn by the same code at build time (calverdine-icons).
QIcon ApplicationIcon();
// The icon at one size; needs no application object.
QImage ApplicationIconImage(int size);
inline constexpr std::array<int, 7> kApplicationIconSizes = { 16, 24, 32, 48, 64, 128, 256 };

// Japanese captions drawn with a Japanese font where one is installed: without it the
// system's fallback may pick Chinese glyph forms for the kanji.
void PreferJapaneseFont();
