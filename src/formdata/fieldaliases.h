#pragma once

#include <QString>

// The aliases testers give to the fields of a screen, read by the comparison report. The
// form definitions provide them; the data subsystem only knows this interface.
class TFieldAliases {
public:
    virtual ~TFieldAliases() = default;

    // Makes the screen's aliases available; throws TError when its file cannot be read.
    virtual void loadScreen(const QString& screenId) = 0;
    // The alias of the field at path, empty when it has none.
    virtual QString field(const QString& screenId, const QString& path) const = 0;
};

// The application's source of aliases, set by the composition root; none in a bare run.
struct TFieldAliasSource {
    TFieldAliases* aliases = nullptr;
};
