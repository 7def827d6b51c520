#include "fakes/RecordingPrintEvents.h"

void RecordingPrintEvents::record(const QString& name, const QStringList& arguments)
{
    events << name + u'(' + arguments.join(u'|') + u')';
}

void RecordingPrintEvents::RaisePrintBegin(qint16 numberOfDocuments)
{
    ++printDepth;
    record(QStringLiteral("PrintBegin"), {QString::number(numberOfDocuments)});
}

void RecordingPrintEvents::RaisePrintVoucher(const QString& alignment)
{
    ++voucherDepth;
    record(QStringLiteral("PrintVoucher"), {alignment});
}

void RecordingPrintEvents::RaisePrintText(const QString& font, const QString& emphasis, qint16 charWidth,
                                          qint16 charHeight, const QString& alignment, qint16 indent,
                                          const QString& data)
{
    record(QStringLiteral("PrintText"), {font, emphasis, QString::number(charWidth), QString::number(charHeight),
                                         alignment, QString::number(indent), data});
}

void RecordingPrintEvents::RaisePrintLine(qint16 width)
{
    record(QStringLiteral("PrintLine"), {QString::number(width)});
}

void RecordingPrintEvents::RaisePrintBarcode(const QString& barcodeType, qint16 width, qint16 height,
                                             const QString& alignment, const QString& data)
{
    record(QStringLiteral("PrintBarcode"),
           {barcodeType, QString::number(width), QString::number(height), alignment, data});
}

void RecordingPrintEvents::RaisePrintGraphicsBegin(const QString& verticalAlignment)
{
    record(QStringLiteral("PrintGraphicsBegin"), {verticalAlignment});
}

void RecordingPrintEvents::RaisePrintImage(const QString& alignment, const QString& fileName)
{
    record(QStringLiteral("PrintImage"), {alignment, fileName});
}

void RecordingPrintEvents::RaisePrintGraphicsEnd()
{
    record(QStringLiteral("PrintGraphicsEnd"));
}

void RecordingPrintEvents::RaisePrintCut(bool& halfCut)
{
    record(QStringLiteral("PrintCut"), {halfCut ? QStringLiteral("half") : QStringLiteral("full")});
}

void RecordingPrintEvents::RaisePrintVoucherEnd()
{
    --voucherDepth;
    record(QStringLiteral("PrintVoucherEnd"));
}

void RecordingPrintEvents::RaisePrintEnd()
{
    --printDepth;
    record(QStringLiteral("PrintEnd"));
}
