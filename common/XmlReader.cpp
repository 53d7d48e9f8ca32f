#include "XmlReader.h"

#include "AppError.h"

#include <QXmlStreamReader>

void XmlReader::load(const QByteArray &document)
{
    QXmlStreamReader reader(document);
    // A reply is a few hundred bytes; a document that expands entities into more than
    // this is an attack, not a reply, and fails before it costs memory.
    reader.setEntityExpansionLimit(1024);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (onParseStartElement)
                onParseStartElement(reader.name().toString(), reader.attributes());
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isWhitespace() && onParseText)
                onParseText(reader.text().toString());
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        throw AppError(QStringLiteral("Xml Parse error"));
}
