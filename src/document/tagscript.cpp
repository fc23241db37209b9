#include "document/tagscript.h"

#include "core/error.h"
#include "core/log.h"
#include "document/commalist.h"
#include "document/htmldocument.h"
#include "document/urlextract.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

namespace {

const QSet<QString>& reservedWords()
{
    static const QSet<QString> kWords = {
        "abstract", "boolean",  "break",      "byte",         "case",      "catch",     "char",      "class",
        "comment",  "const",    "continue",   "debugger",     "default",   "delete",    "do",        "double",
        "else",     "enum",     "export",     "extends",      "false",     "final",     "finally",   "float",
        "for",      "function", "goto",       "if",           "implements", "import",   "in",        "instanceof",
        "int",      "interface", "label",     "long",         "native",    "new",       "null",      "package",
        "private",  "protected", "public",    "return",       "short",     "static",    "super",     "switch",
        "synchronized", "this", "throw",      "throws",       "transient", "true",      "try",       "typeof",
        "var",      "void",     "volatile",   "while",        "with",      "start",
    };
    return kWords;
}

bool isWhitespace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

bool isOperator(QChar c)
{
    switch (c.unicode()) {
    case '=': case '+': case '-': case '*': case '/': case '%':
        return true;
    default:
        return false;
    }
}

bool startsWithFile(const QString& address)
{
    return address.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

// Local script files are the user's own; a cap still keeps a mistaken link to a huge file
// from stalling the parse.
constexpr qint64 kMaxScriptFileSize = 64 * 1024 * 1024;

QString readLocalScript(const QString& address)
{
    const QString path = QUrl(address).toLocalFile();
    if (path.isEmpty())
        throw TError(QStringLiteral("cannot read ") + address);
    // Devices and pipes never end: only plain files are read.
    if (!QFileInfo(path).isFile())
        throw TError(QStringLiteral("cannot read ") + path + QStringLiteral(": not a file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TError(QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString());
    const QByteArray bytes = file.read(kMaxScriptFileSize + 1);
    if (bytes.size() > kMaxScriptFileSize)
        throw TError(QStringLiteral("file too large: ") + path);
    auto decoder = QStringDecoder(QStringDecoder::encodingForData(bytes).value_or(QStringDecoder::Utf8));
    return decoder(bytes);
}

}

// The light scanner over one script's text: top-level `var` declarations and plain
// assignments, `function` declarations; comments, strings, brackets and escapes skipped.
class TScriptScanner {
public:
    TScriptScanner(TTagScript& script, const QString& text) : m_script(script), m_text(text) {}

    void run()
    {
        while (!atEnd()) {
            const QChar c = read();
            if (isWhitespace(c)) {
                if (m_buffer.isEmpty()) {
                } else if (depth0() && m_buffer.compare(QLatin1String("VAR"), Qt::CaseInsensitive) == 0) {
                    readDeclaration();
                    m_atStatementStart = false;
                } else if (m_atStatementStart && m_buffer.compare(QLatin1String("FUNCTION"), Qt::CaseInsensitive) == 0) {
                    readFunction();
                } else {
                    if (depth0() && m_atStatementStart)
                        setLastWordToBuffer();
                    m_atStatementStart = false;
                }
                clearBuffer();
                continue;
            }
            if (isOperator(c) && depth0() && m_atStatementStart)
                setLastWordToBuffer(); // an assignment written without blanks
            if (c == QLatin1Char('/')) {
                if (!skipAfterSlash()) {
                    clearBuffer();
                    continue;
                }
            } else if (c == QLatin1Char('[')) {
                skipBracket();
                if (depth0() && m_atStatementStart)
                    continue;
            }
            if (c == QLatin1Char('{')) {
                ++m_depth;
                continue;
            }
            if (c == QLatin1Char('}'))
                --m_depth;
            if (c == QLatin1Char(';') || c == QLatin1Char('}')) {
                m_atStatementStart = true;
                clearLastWord();
                clearBuffer();
                continue;
            }
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                skipString(c);
                clearBuffer();
                continue;
            }
            if (depth0() && isOperator(c) && !lastWordIsEmpty() && !m_lastWordHasExpression) {
                m_script.AddVariable(lastWord());
                m_atStatementStart = false;
                clearLastWord();
            }
            appendToBuffer(c);
            if (m_buffer.size() == 4 && m_buffer == QLatin1String("<!--"))
                clearBuffer();
        }
    }

private:
    bool atEnd() const { return m_position >= m_text.size(); }
    QChar read() { return atEnd() ? QChar() : m_text[m_position++]; }
    bool depth0() const { return m_depth == 0; }

    static bool isExpressionCharacter(QChar c)
    {
        switch (c.unicode()) {
        case '.': case '!': case '(': case ')': case '=': case '<': case '>':
        case '+': case '-': case '*': case '/':
            return true;
        default:
            return false;
        }
    }

    // The word being read grows one character at a time and is cleared as a whole; where
    // its first expression character sits is kept as it grows, so no step looks at the
    // whole word again.
    void appendToBuffer(QChar c)
    {
        if (m_bufferExpressionAt < 0 && isExpressionCharacter(c))
            m_bufferExpressionAt = m_buffer.size();
        m_buffer += c;
    }

    // The last word is often the word being read, taken again at each operator that
    // follows it: it is then kept as a length of the buffer and copied only when the buffer
    // is cleared, once per word rather than once per operator.
    void setLastWordToBuffer()
    {
        m_lastWord.clear();
        m_lastWordInBuffer = true;
        m_lastWordLength = m_buffer.size();
        m_lastWordHasExpression = m_bufferExpressionAt >= 0;
    }

    void clearBuffer()
    {
        if (m_lastWordInBuffer) {
            m_lastWord = m_lastWordLength == m_buffer.size() ? m_buffer : m_buffer.left(m_lastWordLength);
            m_lastWordInBuffer = false;
        }
        m_buffer.clear();
        m_bufferExpressionAt = -1;
    }

    void clearLastWord()
    {
        m_lastWord.clear();
        m_lastWordInBuffer = false;
        m_lastWordLength = 0;
        m_lastWordHasExpression = false;
    }

    bool lastWordIsEmpty() const { return m_lastWordInBuffer ? m_lastWordLength == 0 : m_lastWord.isEmpty(); }
    QString lastWord() const { return m_lastWordInBuffer ? m_buffer.left(m_lastWordLength) : m_lastWord; }

    // After a "/": true for the operator "/=", which skips nothing; otherwise a comment
    // (or a division or pattern, which loses the character after "/") is skipped.
    bool skipAfterSlash()
    {
        const QChar d = read();
        if (d == QLatin1Char('='))
            return true;
        if (d == QLatin1Char('/')) {
            while (!atEnd()) {
                const QChar e = read();
                if (e == QLatin1Char('\r') || e == QLatin1Char('\n'))
                    break;
            }
        } else if (d == QLatin1Char('*')) {
            QChar previous = d;
            while (!atEnd()) {
                const QChar e = read();
                if (previous == QLatin1Char('*') && e == QLatin1Char('/'))
                    break;
                previous = e;
            }
        }
        return false;
    }

    void skipBracket()
    {
        while (!atEnd()) {
            const QChar c = read();
            if (c == QLatin1Char(']'))
                return;
            if (c == QLatin1Char('/'))
                skipAfterSlash();
        }
    }

    void skipString(QChar quote)
    {
        while (!atEnd()) {
            const QChar c = read();
            if (c == quote)
                return;
            if (c == QLatin1Char('\\'))
                skipEscape();
        }
    }

    void skipEscape()
    {
        const QChar c = read();
        int more = 0;
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
            more = 2;
        else if (c == QLatin1Char('x'))
            more = 2;
        else if (c == QLatin1Char('u'))
            more = 4;
        for (int i = 0; i < more && !atEnd(); ++i)
            read();
    }

    void readDeclaration()
    {
        QString buffer;
        bool hasText = false;
        while (!atEnd()) {
            const QChar c = read();
            if (isWhitespace(c)) {
                if (!hasText)
                    break;
                buffer += c;
            } else if (c == QLatin1Char('=') || c == QLatin1Char(';')) {
                break;
            } else if (c == QLatin1Char('/')) {
                skipAfterSlash();
            } else {
                buffer += c;
                hasText = hasText || !c.isSpace();
            }
        }
        for (const QString& name : Internal::SplitCommaList(buffer.trimmed()))
            m_script.AddVariable(name);
    }

    QString readUpTo(QChar end)
    {
        QString buffer;
        while (!atEnd()) {
            const QChar c = read();
            if (c == end)
                break;
            if (c == QLatin1Char('/'))
                skipAfterSlash();
            else
                buffer += c;
        }
        return buffer.trimmed();
    }

    void readFunction()
    {
        const QString name = readUpTo(QLatin1Char('('));
        const QString parameters = readUpTo(QLatin1Char(')'));
        m_script.AddFunction(name, parameters);
    }

    TTagScript& m_script;
    const QString& m_text;
    qsizetype m_position = 0;
    bool m_atStatementStart = true;
    qint64 m_depth = 0;
    QString m_buffer;
    qsizetype m_bufferExpressionAt = -1; // index of the buffer's first expression character
    QString m_lastWord;                  // when not kept in the buffer
    bool m_lastWordInBuffer = false;
    qsizetype m_lastWordLength = 0;      // when kept in the buffer: its first characters
    bool m_lastWordHasExpression = false;
};

TTagScriptFunction::TTagScriptFunction(TTagScript* script, const QString& name)
    : TTagBase(script ? script->Element() : nullptr), m_script(script), m_name(name)
{
}

bool TTagScriptFunction::Executable() const
{
    return m_script && m_script->Executable();
}

TTagScript::TTagScript(THtmlElement* element, THtmlDocument* document, bool executable)
    : TTagBase(element), m_document(document), m_executable(executable)
{
    if (element) {
        m_id = element->id();
        m_src = element->src();
    }
}

TTagScript::~TTagScript() = default;

std::unique_ptr<TTagScript> TTagScript::Create(THtmlElement* element, const QString& pageURL,
                                               THtmlDocument* document, bool executable)
{
    std::unique_ptr<TTagScript> script = executable ? std::unique_ptr<TTagScript>(new TTagScript(element, document, true))
                                                    : std::make_unique<TTagScriptNoExecute>(element, document);
    if (script->m_src.isEmpty()) {
        script->m_text = element ? element->text() : QString();
    } else {
        // A relative address is relative to the script's own document: a frame of another
        // directory must not read the top page's neighbour of the same name.
        const QString base = document && !document->url().isEmpty() ? document->url() : pageURL;
        const QString address = ResolveScriptAddress(script->m_src, base);
        if (startsWithFile(address)) {
            // A missing local file costs the script its text, not the page its model.
            try {
                script->m_text = readLocalScript(address);
            } catch (const TError& error) {
                LogWarn(QStringLiteral("script load error:") + error.message());
            }
        } else if (document) {
            script->m_text = document->cachedScriptText(address);
            // The cache knows scripts by the address the browser resolved, which differs
            // where a page address holds "/" in its query.
            if (script->m_text.isEmpty()) {
                const QString browserAddress = QUrl(base).resolved(QUrl(script->m_src.trimmed())).toString();
                if (browserAddress != address)
                    script->m_text = document->cachedScriptText(browserAddress);
                if (script->m_text.isEmpty()) {
                    script->m_readError = document->scriptReadError(address);
                    if (script->m_readError.isEmpty())
                        script->m_readError = document->scriptReadError(browserAddress);
                }
            }
        }
    }
    script->Scan();
    return script;
}

std::unique_ptr<TTagScript> TTagScript::FromText(const QString& text, bool executable)
{
    std::unique_ptr<TTagScript> script = executable ? std::unique_ptr<TTagScript>(new TTagScript(nullptr, nullptr, true))
                                                    : std::make_unique<TTagScriptNoExecute>(nullptr, nullptr);
    script->m_text = text;
    script->Scan();
    return script;
}

QString TTagScript::GetCaption() const
{
    if (!m_id.isEmpty())
        return m_id;
    if (!m_src.isEmpty())
        return m_src;
    return QStringLiteral("SCRIPT");
}

void TTagScript::Scan()
{
    m_variables.clear();
    m_variableNames.clear();
    m_functions.clear();
    try {
        TScriptScanner(*this, m_text).run();
    } catch (const std::exception& error) {
        LogWarn(QStringLiteral("script parse error:") + QString::fromUtf8(error.what()));
    }
}

// Every entry of a declaration's comma list is recorded, an empty one too ("var a,,b;"
// lists "a", "" and "b"), as the parameters of a function are.
void TTagScript::AddVariable(const QString& name)
{
    if (IsReservedWord(name))
        return;
    const QString folded = name.toCaseFolded();
    if (m_variableNames.contains(folded))
        return;
    m_variableNames.insert(folded);
    m_variables.append(name + QLatin1Char('='));
}

void TTagScript::AddFunction(const QString& name, const QString& parameterText)
{
    std::unique_ptr<TTagScriptFunction> function = m_executable
        ? std::make_unique<TTagScriptFunction>(this, name)
        : std::make_unique<TTagScriptFunctionNoExecute>(this, name);
    for (const QString& entry : Internal::SplitCommaList(parameterText))
        function->Parameters().append(entry.trimmed() + QLatin1Char('='));
    m_functions.push_back(std::move(function));
}

bool IsReservedWord(const QString& word)
{
    return reservedWords().contains(word.toLower());
}

bool NamesJavaScript(const QString& text)
{
    return text.contains(QLatin1String("JSCRIPT"), Qt::CaseInsensitive)
        || text.contains(QLatin1String("JAVASCRIPT"), Qt::CaseInsensitive);
}

QString ResolveScriptAddress(const QString& src, const QString& pageURL)
{
    const QString r = src.trimmed();
    const QString upper = r.toUpper();
    if (upper.startsWith(QLatin1String("HTTP:")) || upper.startsWith(QLatin1String("HTTPS:"))
        || upper.startsWith(QLatin1String("FTP:")) || upper.startsWith(QLatin1String("FILE:")))
        return src;
    // Local files have no drive letter here: resolve them as the browser does.
    if (startsWithFile(pageURL))
        return QUrl(pageURL).resolved(QUrl(r)).toString();

    const TURLExtract page(pageURL);
    const bool driveLetter = page.Domain.size() == 1;
    QString base = page.Protocol + QStringLiteral("://");
    if (driveLetter)
        base += QLatin1Char('/');
    base += page.Domain;
    if (!page.Port.isEmpty())
        base += QLatin1Char(':') + page.Port;
    if (driveLetter)
        base += QLatin1Char(':');
    QString directoryText;
    for (const QString& directory : page.Directories)
        directoryText += directory + QLatin1Char('/');

    if (r.startsWith(QLatin1Char('/')))
        return base + src;
    if (r.startsWith(QLatin1String("./")))
        return base + QLatin1Char('/') + directoryText + src.mid(2);
    if (r.startsWith(QLatin1String("../"))) {
        qsizetype run = 0;
        int levels = 0;
        while (run < r.size() && (r[run] == QLatin1Char('.') || r[run] == QLatin1Char('/'))) {
            if (r[run] == QLatin1Char('/'))
                ++levels;
            ++run;
        }
        QString kept;
        const int keep = std::max(0, int(page.Directories.size()) - levels);
        for (int i = 0; i < keep; ++i)
            kept += page.Directories[i] + QLatin1Char('/');
        return base + QLatin1Char('/') + kept + r.mid(run);
    }
    return base + QLatin1Char('/') + directoryText + src;
}
