#pragma once

#include <QString>
#include <exception>

// The automation error the runtime raises: what a Sovereign sees as Err.Number, Err.Source,
// Err.Description, Err.HelpFile and Err.HelpContext.
class AutomationError : public std::exception {
public:
    AutomationError(qint32 number, QString source, QString description, QString helpFile = {},
                    QString helpContext = {});

    qint32 number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }
    const QString& helpFile() const { return m_helpFile; }
    const QString& helpContext() const { return m_helpContext; }

    const char* what() const noexcept override;

    // The error that is being handled, as the runtime would report it: an AutomationError as
    // thrown, any other exception as an internal error. Call only inside a catch block.
    static AutomationError fromCurrentException();

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QString m_helpFile;
    QString m_helpContext;
    QByteArray m_what;
};
