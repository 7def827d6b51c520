#pragma once

// Lets GoogleTest print Qt texts readably in failure messages; included in every test program.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << '"' << bytes.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{';
    for (qsizetype i = 0; i < texts.size(); ++i)
        *out << (i ? ", \"" : "\"") << texts.at(i).toStdString() << '"';
    *out << '}';
}
