#pragma once

#include "document/tagtree.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class THtmlDocument;
class THtmlElement;
class TTagScript;

// A function declaration found in a script.
class TTagScriptFunction : public TTagBase {
public:
    TTagScriptFunction(TTagScript* script, const QString& name);

    QString GetShortPath() const override { return QString(); }
    QString GetPath() const override { return QString(); }

    TTagScript* Script() const { return m_script; }
    const QString& Name() const { return m_name; }
    // "name=value" per declared parameter, in declaration order; values start empty.
    QStringList& Parameters() { return m_parameters; }
    const QStringList& Parameters() const { return m_parameters; }
    bool Executable() const;

private:
    TTagScript* m_script = nullptr;
    QString m_name;
    QStringList m_parameters;
};

class TTagScriptFunctionNoExecute final : public TTagScriptFunction {
public:
    using TTagScriptFunction::TTagScriptFunction;
};

// A JavaScript element of a parsed page with its source and the global variables and
// functions a light character scanner finds in it (not a JavaScript parser).
class TTagScript : public TTagBase {
public:
    // Reads id and src, takes the source (inline text, or the external script read from
    // disk for local files or from the browser's cache) and scans it. A relative `src` is
    // resolved against the address of the script's document (pageURL without one). A local
    // script file that cannot be read leaves the source empty and writes a warning.
    static std::unique_ptr<TTagScript> Create(THtmlElement* element, const QString& pageURL,
                                              THtmlDocument* document, bool executable);
    // A script of the given source text alone, scanned (tests, tools).
    static std::unique_ptr<TTagScript> FromText(const QString& text, bool executable = true);

    ~TTagScript() override;

    QString GetShortPath() const override { return QString(); }
    QString GetPath() const override { return QString(); }
    // Id, else Src, else "SCRIPT".
    QString GetCaption() const;

    // The document whose global scope runs the script's code.
    THtmlDocument* Document() const { return m_document; }
    const QString& Id() const { return m_id; }
    const QString& Text() const { return m_text; }
    const QString& Src() const { return m_src; }
    // Why the external script's text could not be read (a script of another origin, whose
    // cached copy the browser keeps from the tool); empty when it was read, or when the
    // browser had not cached it.
    const QString& ReadError() const { return m_readError; }
    // "name=value" per variable found, names unique without regard to letter case; the
    // values are filled by whoever reads the page's variables.
    QStringList& Variables() { return m_variables; }
    const QStringList& Variables() const { return m_variables; }
    const std::vector<std::unique_ptr<TTagScriptFunction>>& Functions() const { return m_functions; }
    // False for scripts of pages that are not local: they are listed but never run.
    bool Executable() const { return m_executable; }

    // Scans Text again from the start (the lists are rebuilt).
    void Scan();

protected:
    TTagScript(THtmlElement* element, THtmlDocument* document, bool executable);

private:
    friend class TScriptScanner;
    void AddVariable(const QString& name);
    void AddFunction(const QString& name, const QString& parameterText);

    THtmlDocument* m_document = nullptr;
    QString m_id;
    QString m_text;
    QString m_src;
    QString m_readError;
    QStringList m_variables;
    QSet<QString> m_variableNames; // case-folded
    std::vector<std::unique_ptr<TTagScriptFunction>> m_functions;
    bool m_executable = true;
};

// Scripts of pages that are not local.
class TTagScriptNoExecute final : public TTagScript {
public:
    TTagScriptNoExecute(THtmlElement* element, THtmlDocument* document) : TTagScript(element, document, false) {}
};

// Whether the name (any letter case) is one of the 62 words never taken for a variable.
bool IsReservedWord(const QString& word);

// The address an external script is read from: `src` resolved against the page address.
QString ResolveScriptAddress(const QString& src, const QString& pageURL);

// Whether the text names JavaScript ("JSCRIPT" or "JAVASCRIPT" in any letter case).
bool NamesJavaScript(const QString& text);
