#include "automation/APIEventTable.h"

#include "automation/AutomationType.h"
#include "automation/BusMembers.h"

using namespace Qt::StringLiterals;

namespace {

BusArgument eventText(const QString& name, const QString& meaning)
{
    return BusMembers::argument(name, AutomationType::string(), meaning);
}

BusArgument eventNumber(const QString& name, const QString& meaning)
{
    return BusMembers::argument(name, AutomationType::integer(), meaning);
}

BusArgument eventDevice()
{
    return BusMembers::argument(u"Device"_s, AutomationType::longInteger(), u"The device, a bit of the engine's device mask."_s);
}

BusArgument eventAlignment()
{
    return eventText(u"Alignment"_s, u"l, c or r: left, centred or right."_s);
}

BusArgument eventMessage()
{
    return eventText(u"Message"_s, u"The engine's text."_s);
}

BusArgument eventHandle()
{
    return eventText(u"handle"_s, u"The suspended basket's handle."_s);
}

QList<BusEvent> makeEvents()
{
    const int byReference = BusMembers::ByReference;
    return {
        {u"Surrender"_s, 1,
         {BusMembers::argument(u"Reason"_s, AutomationType::longInteger(), u"Why: a SurrenderReason value, 0 to 8."_s), eventMessage()},
         u"The engine hands the screen back to the Sovereign."_s},
        {u"RefuseInterrupt"_s, 2, {}, u"The engine refused to end the customer's turn."_s},
        {u"StartDevice"_s, 3, {eventDevice()}, u"The engine starts listening to a device."_s},
        {u"StopDevice"_s, 4, {eventDevice()}, u"The engine stops listening to a device."_s},
        {u"GetData"_s, 5,
         {eventText(u"Name"_s, u"What is asked for, as the customer reads it."_s),
          eventText(u"DataType"_s, u"The kind of data, as the engine names it (PHONE, ...)."_s), eventDevice(),
          eventText(u"ErrorMessage"_s, u"Why the last answer was refused; empty at first."_s),
          BusMembers::argument(u"Data"_s, AutomationType::variant(), u"In: the data so far; back: the answer."_s, byReference),
          BusMembers::argument(u"Cancel"_s, AutomationType::boolean(), u"Back: True cancels the request."_s, byReference)},
         u"The engine asks for device data: answer in the reply, or by InjectData or InjectCancel before it."_s},
        {u"DataMismatch"_s, 6,
         {eventNumber(u"Index"_s, u"Which of the data."_s), BusMembers::argument(u"Data"_s, AutomationType::variant(), u"The data given."_s),
          eventMessage()},
         u"Data given to the engine does not fit what it asked for."_s},
        {u"ItemAdded"_s, 7,
         {BusMembers::argument(u"BasketItem"_s, u"BasketItem"_s, u"The new item; a path written back is ignored."_s, byReference),
          BusMembers::argument(u"Cancel"_s, AutomationType::boolean(), u"Back: True refuses the item."_s, byReference)},
         u"The engine added an item to the basket."_s},
        {u"ItemRemoved"_s, 8,
         {BusMembers::argument(u"BasketItem"_s, u"BasketItem"_s, u"The item; a path written back is ignored."_s, byReference)},
         u"The engine removed an item from the basket."_s},
        {u"AddItemFailed"_s, 9, {eventText(u"ProductID"_s, u"The product asked for."_s), eventMessage()},
         u"A product could not be added."_s},
        {u"VoucherAvailable"_s, 10,
         {BusMembers::argument(u"Voucher"_s, u"Voucher"_s, u"The document; a path written back is ignored."_s, byReference)},
         u"A voucher document of the sale is ready."_s},
        {u"BasketCommitted"_s, 27, {eventNumber(u"NumberOfItems"_s, u"How many items were sold."_s)}, u"The sale is committed."_s},
        {u"BasketSuspended"_s, 11, {eventHandle()}, u"The engine suspended the basket."_s},
        {u"SuspendFailed"_s, 12, {eventMessage()}, u"The basket could not be suspended."_s},
        {u"ResumeComplete"_s, 13, {eventNumber(u"NumberOfItems"_s, u"How many items the resumed basket holds."_s)},
         u"A suspended basket is back."_s},
        {u"ResumeFailed"_s, 14, {eventHandle(), eventMessage()}, u"A suspended basket could not be resumed."_s},
        {u"PrintBegin"_s, 15, {eventNumber(u"NumberOfDocuments"_s, u"How many documents follow."_s)}, u"A print job begins."_s},
        {u"PrintVoucher"_s, 16, {eventAlignment()}, u"A document begins."_s},
        {u"PrintText"_s, 17,
         {eventText(u"Font"_s, u"The font, upper case (A, B, ...)."_s),
          eventText(u"Emphasis"_s, u"The emphasis letters, lower case; empty for none."_s),
          eventNumber(u"CharWidth"_s, u"The character width multiple."_s), eventNumber(u"CharHeight"_s, u"The character height multiple."_s),
          eventAlignment(), eventNumber(u"Indent"_s, u"Characters to indent."_s), eventText(u"Data"_s, u"The text, hard spaces made blanks."_s)},
         u"A line of text to print."_s},
        {u"PrintLine"_s, 18, {eventNumber(u"Width"_s, u"The rule's thickness."_s)}, u"A horizontal rule to print."_s},
        {u"PrintBarcode"_s, 19,
         {eventText(u"BarcodeType"_s, u"The symbology, lower case (code39, code128, qr, ...)."_s),
          eventNumber(u"Width"_s, u"The module width: the character width in force."_s), eventNumber(u"Height"_s, u"The bar height."_s),
          eventAlignment(), eventText(u"Data"_s, u"What the barcode encodes."_s)},
         u"A barcode to print."_s},
        {u"PrintGraphicsBegin"_s, 20, {eventText(u"VerticalAlignment"_s, u"t, m or b: top, middle or bottom."_s)},
         u"A row of images begins."_s},
        {u"PrintImage"_s, 21, {eventAlignment(), eventText(u"FileName"_s, u"The image file's full path."_s)}, u"An image to print."_s},
        {u"PrintGraphicsEnd"_s, 22, {}, u"The row of images ends."_s},
        {u"PrintCut"_s, 23, {BusMembers::argument(u"HalfCut"_s, AutomationType::boolean(), u"True for a partial cut."_s)},
         u"Cut the paper."_s},
        {u"PrintVoucherEnd"_s, 24, {}, u"The document ends."_s},
        {u"PrintEnd"_s, 25, {}, u"The print job ends."_s},
        {u"Closing"_s, 26, {eventMessage()}, u"pcQUIBA is about to stop the engine for a remote install."_s},
    };
}

} // namespace

const QList<BusEvent>& APIEventTable::events()
{
    static const QList<BusEvent> events = makeEvents();
    return events;
}

QString APIEventTable::className()
{
    return QStringLiteral("APIEvents");
}
