#include "app/ErrText.h"

#include "app/ProcedureFrame.h"
#include "app/QuibaErrors.h"
#include "app/Services.h"
#include "app/Trace.h"

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
