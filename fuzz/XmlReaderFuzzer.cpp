// Parses the input as XML text and, through a file, in chunks; both must give the same events
// (unless the bytes are not UTF-8, which text input finds before any event), the character
// slices must lie inside their texts, and no input may end in anything but an automation error.
#include "platform/Ansi.h"
#include "platform/AutomationError.h"
#include "platform/Blanks.h"
#include "platform/RuntimeErrors.h"
#include "support/clsXMLReader.h"
#include "support/clsXMLReaderEvents.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

class Recorder : public clsXMLReaderEvents {
public:
    explicit Recorder(clsXMLReader& reader) : m_reader(reader) {}

    QStringList events;

    void documentLocator(const QString&) override { events.append(u"locator"_s); }
    void startDocument() override { events.append(u"startDocument"_s); }
    void endDocument() override { events.append(u"endDocument"_s); }
    void startPrefixMapping() override { std::abort(); }
    void endPrefixMapping() override { std::abort(); }
    void startElement(const QString&, const QString& local, const QString& qName, const Dictionary& attributes) override
    {
        if (!qName.endsWith(local))
            std::abort();
        events.append(u"<"_s + qName + u' ' + attributes.keys().join(u',') + u'@' + m_reader.CurrentQualifiedName());
        // An element named "stop" cancels the parse from inside its handler.
        if (qName == u"stop"_s)
            m_reader.cancelParse(QString());
    }
    void endElement(const QString&, const QString& local, const QString& qName) override
    {
        if (!qName.endsWith(local))
            std::abort();
        events.append(u"</"_s + qName + u'@' + m_reader.CurrentQualifiedName());
    }
    void characters(const QString& text, qint32 start, qint32 length) override { slice(u"chars "_s, text, start, length); }
    void ignorableWhitespace(const QString& text, qint32 start, qint32 length) override { slice(u"space "_s, text, start, length); }
    void processingInstruction(const QString& target, const QString& data) override
    {
        events.append(u"?"_s + target + u' ' + data);
    }
    void skippedEntity() override { std::abort(); }
    void Comment(const QString& text) override { events.append(u"!"_s + text); }
    void Warning() override { std::abort(); }
    void Error() override { std::abort(); }
    void FatalError(const QString& message) override { events.append(u"fatal "_s + message); }

private:
    void slice(const QString& kind, const QString& text, qint32 start, qint32 length)
    {
        if (start < 1 || length < 0 || start - 1 + length > text.size())
            std::abort();
        events.append(kind + text.mid(start - 1, length));
    }

    clsXMLReader& m_reader;
};

struct Outcome {
    QStringList events;
    qint32 error = 0;
};

Outcome parse(const QString& source)
{
    clsXMLReader reader;
    Recorder recorder(reader);
    reader.setEvents(&recorder);
    Outcome outcome;
    try {
        reader.Parse(source);
    } catch (const AutomationError& error) {
        outcome.error = error.number();
        // An error the reader did not mean: a C++ exception or memory running out.
        if (outcome.error == RuntimeErrors::InternalError || outcome.error == RuntimeErrors::OutOfMemory)
            std::abort();
    }
    outcome.events = recorder.events;
    return outcome;
}

// In memory where the system offers it, so that the file costs no disk writes.
const QString& scratchFile()
{
    static QTemporaryDir folder(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/xmlfuzz-XXXXXX"_s
                                                              : QDir::tempPath() + u"/xmlfuzz-XXXXXX"_s);
    static const QString path = folder.filePath(u"input.xml"_s);
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString text = Ansi::toUnicode(bytes);
    const bool sameInput = Blanks::trim(text) == text && text.startsWith(u'<');
    if (!Blanks::trim(text).startsWith(u'<'))
        text.prepend(u'<');
    const Outcome fromText = parse(text);

    QFile file(scratchFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();
    const Outcome fromFile = parse(scratchFile());

    if (!sameInput || fromText.error == RuntimeErrors::InvalidFileFormat || fromFile.error == RuntimeErrors::InvalidFileFormat)
        return 0;
    if (fromText.error != fromFile.error || fromText.events != fromFile.events)
        std::abort();
    return 0;
}
