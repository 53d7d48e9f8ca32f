#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamAttributes>

#include <functional>

// An event-driven XML reader: load() walks the document and reports, in document
// order, every start tag (and empty-element tag) and every run of character data.
// Runs of white space alone are skipped, entities are replaced, other text is passed
// as it is. Malformed input throws AppError("Xml Parse error"); what was reported
// before the fault stands.
class XmlReader
{
public:
    std::function<void(const QString &name, const QXmlStreamAttributes &attributes)> onParseStartElement;
    std::function<void(const QString &text)> onParseText;

    void load(const QByteArray &document);
};
