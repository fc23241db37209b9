#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class THtmlDocument;
class THtmlElement;
class TXMLProjectType;

// The project's screen identification settings, read once per parse.
struct TScreenIDSettings {
    int rule = 1; // 1 address parts, 2 hidden input, 3 element id
    bool protocolType = false;
    bool domainName = true;
    bool portNumber = false;
    bool fileName = true;
    bool fileExtension = false;
    QString directoryNameTarget = QStringLiteral("1,2,3,4,5,6,7,8,9");
    QString queryParameter;
    QString hiddenName;
    QString elementId;

    // The project's settings; the defaults of a new project without one. A switch that
    // cannot be read counts as off.
    static TScreenIDSettings fromProject(TXMLProjectType* project);
    // The settings of App().currentProject().
    static TScreenIDSettings current();
};

// The rule that names the screen of a parsed page.
class TScreenIDParser {
public:
    virtual ~TScreenIDParser() = default;

    virtual void SetURL(const QString& url) { m_url = url; }
    virtual void CheckFormPart(THtmlElement* element) { Q_UNUSED(element); }
    virtual void CheckDocument(THtmlDocument* document) { Q_UNUSED(document); }

    // The ID found, or "VOID_SID_" + the tick count when none was; kept once made.
    QString GetScreenID();

    const QString& URL() const { return m_url; }
    // The ID found so far; empty when the page was not identified.
    const QString& ID() const { return m_id; }

protected:
    QString m_url;
    QString m_id;
};

// Joins the parts of the address that the settings name.
class TScreenIDParserURL final : public TScreenIDParser {
public:
    explicit TScreenIDParserURL(TScreenIDSettings settings) : m_settings(std::move(settings)) {}
    void SetURL(const QString& url) override;

private:
    TScreenIDSettings m_settings;
};

// The value of the hidden input with the configured name (case-sensitive).
class TScreenIDParserHIDDEN final : public TScreenIDParser {
public:
    explicit TScreenIDParserHIDDEN(QString hiddenName) : m_hiddenName(std::move(hiddenName)) {}
    void CheckFormPart(THtmlElement* element) override;

private:
    QString m_hiddenName;
};

// The text of the element with the configured id.
class TScreenIDParserID final : public TScreenIDParser {
public:
    explicit TScreenIDParserID(QString elementId) : m_elementId(std::move(elementId)) {}
    void CheckDocument(THtmlDocument* document) override;

private:
    QString m_elementId;
};

std::unique_ptr<TScreenIDParser> CreateScreenIDParser(const TScreenIDSettings& settings);

// The ids whose text the page snapshot must carry for the current project's rule.
QStringList SnapshotInnerTextIds();
