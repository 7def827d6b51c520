#include "services/ErrText.h"

#include "services/ProcedureFrame.h"
#include "services/QuibaErrors.h"
#include "services/Services.h"
#include "services/Trace.h"

QString ErrText(qint32 number, const VariantArray& arguments)
{
    ProcedureFrame frame(QStringLiteral("Function ErrText"), QStringLiteral("modMain"));
    return frame.run(ErrorExit::forModule(), [&] {
        QString key = QuibaErrorCatalogue::unknownKey();
        QString defaultText = QuibaErrorCatalogue::unknownText();
        VariantArray values{Variant(number)};
        if (const auto entry = QuibaErrorCatalogue::find(number)) {
            key = QString::number(qint64(number) - kObjectErrorBase);
            defaultText = QString::fromLatin1(entry->defaultText);
            values = arguments;
        }
        const QString text =
            Services::lexicon().text(QuibaErrorCatalogue::lexiconSection(), key, defaultText, values);
        Trace::write(QStringLiteral(" *** ") + text, Trace::ErrorSeverity);
        return text;
    });
}
