#pragma once

#include <QString>

// The master password of the open project. The user enters it once after the project was
// opened; it is then held only encrypted, under the project's opening number, and never
// written anywhere. A process-wide service: App().service<TMasterPassword>().
class TMasterPassword {
public:
    TMasterPassword();

    // A project was created or opened: a new opening number, and the password forgotten.
    void projectOpened();
    // The project changed (its settings among others): the next use asks again.
    void forget();

    // The master password, or an empty text when none is available: asks the user at the
    // first use after the project was opened, and warns when the project has none set.
    QString password();

    bool isHeld() const { return !m_held.isEmpty(); }

    // While one exists, password() neither asks nor warns: it gives the held password or an
    // empty text. Reads that only show values (the forms' value lists of a parse) use it,
    // so browsing a page with a password field raises no box; saving, writing back and
    // comparing still ask.
    class TQuietScope {
    public:
        TQuietScope();
        ~TQuietScope();
        TQuietScope(const TQuietScope&) = delete;
        TQuietScope& operator=(const TQuietScope&) = delete;
    };

    // Within one, the user is warned or asked at most once: one save, comparison or input
    // reads or writes every password field of the page.
    class TActionScope {
    public:
        TActionScope();
        ~TActionScope();
        TActionScope(const TActionScope&) = delete;
        TActionScope& operator=(const TActionScope&) = delete;
    };

private:
    int m_quiet = 0;
    int m_actionDepth = 0;
    bool m_askedInAction = false;
    QString m_openingNumber;
    QString m_held; // the password encrypted under the opening number
};
