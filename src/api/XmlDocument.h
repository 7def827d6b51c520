#pragma once

#include "platform/AutomationObject.h"

#include <QDateTime>
#include <QString>

// The XML document component (kClassId) a voucher uses to reformat its file and record when
// it was printed. Failures are thrown as AutomationError.
class XmlDocument : public AutomationObject {
public:
    static inline const QString kClassId = QStringLiteral("QuibaXML.Document");

    virtual void Load(const QString& fileName) = 0;
    // The document indented, one element per line.
    virtual QString PrettyXML() const = 0;
    virtual void setPrintedTimestamp(const QDateTime& when) = 0;
    // Writes the document back through a temporary file and a rename in the same folder.
    virtual void Save(const QString& fileName) = 0;
};
