#pragma once

#include <QImage>
#include <QString>

// Where a captured image goes. `Area` is the capture area the command was last used with
// (1 the visible part, 2 the whole page).
class TSaveToCommand {
public:
    virtual ~TSaveToCommand() = default;

    // Hands the image on; false with the reason in *error when that failed.
    virtual bool Output(const QImage& image, QString* error) = 0;
    // "<command caption before '('>(<area caption before '('>)", e.g. "ファイル(スクロール領域も含める)".
    virtual QString GetDescription() const;

    int Area = 1;

protected:
    explicit TSaveToCommand(QString caption) : m_caption(std::move(caption)) {}

private:
    QString m_caption;
};

// The menu captions of the two capture areas.
QString CaptureAreaCaption(int area);

// Puts the image on the clipboard, replacing what it held.
class TSaveToClipboard final : public TSaveToCommand {
public:
    explicit TSaveToClipboard(const QString& caption) : TSaveToCommand(caption) {}
    bool Output(const QImage& image, QString* error) override;
};

// Writes the image into `FileName`. The file appears only complete: it is written under a
// temporary name first, and a failed write leaves no file and touches no other.
class TSaveToFileCommand : public TSaveToCommand {
public:
    bool Output(const QImage& image, QString* error) override;

    QString FileName;

protected:
    TSaveToFileCommand(const QString& caption, const char* format) : TSaveToCommand(caption), m_format(format) {}

private:
    const char* m_format;
};

// Windows BMP.
class TSaveToFileBmp final : public TSaveToFileCommand {
public:
    explicit TSaveToFileBmp(const QString& caption) : TSaveToFileCommand(caption, "BMP") {}
};

// PNG.
class TSaveToFilePng final : public TSaveToFileCommand {
public:
    explicit TSaveToFilePng(const QString& caption) : TSaveToFileCommand(caption, "PNG") {}
};
