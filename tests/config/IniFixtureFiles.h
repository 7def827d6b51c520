#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <gtest/gtest.h>

// Writes a text file as UTF-8, creating its folder.
inline void writeTextFile(const QString& path, const QString& text)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QString& value) : m_name(name), m_saved(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnvironment()
    {
        if (m_wasSet)
            qputenv(m_name, m_saved);
        else
            qunsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    QByteArray m_saved;
    bool m_wasSet;
};
