#include "services/PlaceholderText.h"

QString PlaceholderText::fill(const QString& text, const VariantArray& arguments)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (text.at(i) == u'\\' && next >= u'1' && next <= u'9') {
            const qsizetype index = next.unicode() - u'1';
            if (index < arguments.size())
                result += arguments.at(index).toString();
            ++i;
            continue;
        }
        result += text.at(i);
    }
    return result;
}
