#include "platform/Blanks.h"

namespace {
constexpr QChar kBlank = u' ';
}

QString Blanks::trimLeft(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == kBlank)
        ++start;
    return text.mid(start);
}

QString Blanks::trimRight(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == kBlank)
        --end;
    return text.left(end);
}

QString Blanks::trim(const QString& text)
{
    return trimLeft(trimRight(text));
}
