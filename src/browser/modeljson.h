#pragma once

#include <QJsonObject>
#include <QString>

class TCalverdineDocument;

// The document model of one page as `calverdine-cli inspect` prints it: the screen ID, the
// page size, every frame in tree order (paths, caption, whether its document was reached)
// with its forms, parts and scripts, and the button and anchor keys with their captions.
QJsonObject DocumentModelJson(const TCalverdineDocument& model, const QString& requestedUrl);
