// Splits the input as a URI, reads every component and the normalised text, and checks what
// must hold for any text of the Windows-1252 code page: Unescape undoes Escape, and a query
// rebuilt from its dictionary gives the same dictionary; a normalised text with a scheme reads
// back as the same URI and normalises to itself. The input read as UTF-8 (characters beyond the
// code page) must not fail either.
#include "platform/Ansi.h"
#include "platform/AutomationError.h"
#include "support/clsGenericURI.h"

#include <cstdint>
#include <cstdlib>

namespace {

void readEverything(clsGenericURI& uri)
{
    const QStringList parts{uri.Scheme(), uri.User(), uri.Host(), uri.Port(), uri.Path(), uri.Query(),
                            uri.Fragment(), uri.Authority(), uri.HierPart(), uri.Text()};
    const QString normalised = uri.NormalisedText();
    uri.setNormalisedText(normalised);
    uri.setHierPart(parts[8]);
    uri.setAuthority(parts[7]);
}

// Normalising is stable: what it gives parses back to the URI it came from.
void checkNormalisedReadsBack(const clsGenericURI& uri)
{
    const QString normalised = uri.NormalisedText();
    // Outside the property, as the parsing rules make them: without a scheme there is no ":" to
    // parse back from; a path that begins with "//" behind an empty authority reads back as an
    // authority (the normalised text writes no empty "//"); without query arguments, a "?" that
    // a fragment may hold unescaped reads back as the start of a query.
    if (uri.Scheme().isEmpty() || (uri.Host().isEmpty() && uri.Path().startsWith(u"//")) ||
        (uri.QueryAsDictionary()->count() == 0 && uri.Fragment().contains(u'?')))
        return;
    clsGenericURI again;
    again.setText(normalised);
    if (again.NormalisedText() != normalised || again.Scheme() != uri.Scheme().toLower() || again.Port() != uri.Port())
        std::abort();
}

bool sameDictionary(const Dictionary& a, const Dictionary& b)
{
    if (a.keys() != b.keys())
        return false;
    const VariantArray left = a.items();
    const VariantArray right = b.items();
    for (qsizetype i = 0; i < left.size(); ++i) {
        if (left[i].isNull() != right[i].isNull() || (!left[i].isNull() && left[i].toString() != right[i].toString()))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QString text = Ansi::toUnicode(bytes);
        if (clsGenericURI::Unescape(clsGenericURI::Escape(text)) != text)
            std::abort();

        clsGenericURI uri;
        uri.setText(text);
        const std::shared_ptr<Dictionary> arguments = uri.QueryAsDictionary();
        uri.LoadQueryDictionary(*arguments);
        if (!sameDictionary(*arguments, *uri.QueryAsDictionary()))
            std::abort();
        checkNormalisedReadsBack(uri);
        readEverything(uri);

        clsGenericURI wide;
        wide.setText(QString::fromUtf8(bytes));
        readEverything(wide);
    } catch (const AutomationError&) {
        // No text makes the parser fail.
        std::abort();
    }
    return 0;
}
