#include "api/Voucher.h"

#include "api/ClassExit.h"
#include "api/Printer.h"
#include "api/SaleGuards.h"
#include "api/VoucherDelivery.h"
#include "api/VoucherMarkup.h"
#include "api/XmlDocument.h"
#include "services/ErrorExit.h"
#include "services/PrivateData.h"
#include "services/ProcedureFrame.h"
#include "services/ProcessState.h"
#include "services/Trace.h"
#include "controller/EngineBasket.h"
#include "controller/frmController.h"
#include "platform/Clock.h"
#include "platform/ComponentRegistry.h"
#include "platform/RuntimeErrors.h"
#include "support/clsZlib.h"
#include "support/modTouchTools.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

constexpr int kXmlPreviewLength = 40;

// The printer component of PRINTER/class; nothing when it cannot be created.
std::shared_ptr<Printer> createPrinter()
{
    try {
        return ComponentRegistry::createAs<Printer>(ProcessState::instance().printerClass);
    } catch (const AutomationError&) {
        return nullptr;
    }
}

std::shared_ptr<XmlDocument> createXmlDocument()
{
    return ComponentRegistry::createAs<XmlDocument>(XmlDocument::kClassId);
}

// The opening characters of a document on one line, as the XML read logs them.
QString preview(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    return text.left(kXmlPreviewLength) + u"..."_s;
}

} // namespace

std::shared_ptr<Voucher> Voucher::create(const QString& fileName)
{
    return std::make_shared<Voucher>(fileName);
}

Voucher::Voucher(const QString& fileName) : m_fileName(fileName) {}

QString Voucher::className() const
{
    return kClassName;
}

bool Voucher::controllerLoaded()
{
    return modTouchTools::IsFormLoaded(frmController::kFormName);
}

bool Voucher::printerConfigured()
{
    return !ProcessState::instance().printerClass.isEmpty();
}

void Voucher::checkPrinterStatus()
{
    if (const std::shared_ptr<Printer> printer = createPrinter())
        printer->CheckStatus();
}

QString Voucher::syncText(const std::optional<bool>& sync)
{
    return u"Sync="_s + Trace::valueText(Variant(sync.value_or(false)));
}

bool Voucher::documentAvailable(ProcedureFrame& frame, Needs needs) const
{
    const std::shared_ptr<EngineBasket> basket = SaleGuards::basketInProgress();
    if (!basket)
        return false;
    if (!basket->DocumentReleased(m_fileName))
        frame.raise(quibaBasketNotCommitted, kClassName);
    if (needs == Needs::DocumentAndPrinter && !printerConfigured())
        frame.raise(quibaNoPrinterSpecified, kClassName);
    if (!QFileInfo(m_fileName).isFile()) {
        Trace::write(Trace::resultLine(u"File not Found!"_s));
        frame.raise(quibaFileNotFound, kClassName, {Variant(u"Voucher"_s)});
    }
    return true;
}

QString Voucher::FileName()
{
    ProcedureFrame frame(u"Property (Get) FileName"_s, kClassName);
    return frame.run(classExit<Voucher>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"FileName"_s));
        if (!documentAvailable(frame, Needs::Document))
            return QString();
        zPrettyXML();
        clsZlib zlib;
        if (zlib.IsCompressed(m_fileName)) {
            Trace::write(Trace::resultLine(u"Decompress File"_s), Trace::ProgressSeverity);
            zlib.Decompress(m_fileName);
        }
        Trace::write(Trace::resultLine(m_fileName));
        return m_fileName;
    });
}

QString Voucher::XML()
{
    ProcedureFrame frame(u"Property (Get) XML"_s, kClassName);
    return frame.run(classExit<Voucher>(), [&] {
        Trace::write(Trace::getLine(kClassName, u"XML"_s));
        if (!documentAvailable(frame, Needs::Document))
            return QString();
        clsZlib zlib;
        const bool compressed = zlib.IsCompressed(m_fileName);
        Trace::write(Trace::resultLine(compressed ? u"Read Compressed File"_s : u"Read Uncompressed File"_s),
                     Trace::ProgressSeverity);
        // Both forms read as the program reads every plain text file; the compressed one is
        // inflated first.
        const QString text = zlib.Read(m_fileName);
        Trace::write(Trace::resultLine(PrivateData::shown(preview(text))));
        VoucherDelivery::delivered(m_fileName);
        return text;
    });
}

void Voucher::PrintVoucher(std::optional<bool>& sync)
{
    ProcedureFrame frame(u"Sub PrintVoucher"_s, kClassName);
    frame.run(classExit<Voucher>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"PrintVoucher"_s, {syncText(sync)}));
        if (!documentAvailable(frame, Needs::DocumentAndPrinter))
            return;
        // A printer out of paper refuses the call at once, also before the job is queued.
        if (sync.value_or(false) || controllerLoaded())
            checkPrinterStatus();
        if (!sync.value_or(false))
            queue(u"PrintVoucher"_s);
        else
            printThroughPrinter();
    });
}

void Voucher::RaisePrintEvents(std::optional<bool>& sync)
{
    ProcedureFrame frame(u"Sub RaisePrintEvents"_s, kClassName);
    frame.run(classExit<Voucher>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"RaisePrintEvents"_s, {syncText(sync)}));
        if (!documentAvailable(frame, Needs::Document))
            return;
        if (!sync.value_or(false))
            queue(u"RaisePrintEvents"_s);
        else if (controllerLoaded())
            raiseMarkupEvents();
    });
}

void Voucher::callPrintMethod(const QString& methodName, bool sync)
{
    std::optional<bool> argument = sync;
    try {
        if (methodName == u"PrintVoucher")
            PrintVoucher(argument);
        else if (methodName == u"RaisePrintEvents")
            RaisePrintEvents(argument);
    } catch (const AutomationError&) {
        // The member has already reported its error (the error log, the " *** " line): the
        // queue goes on with the next job.
    }
}

void Voucher::queue(const QString& methodName)
{
    if (!controllerLoaded())
        return;
    const std::shared_ptr<Voucher> self = weak_from_this().lock();
    if (self)
        frmController::instance().AddToPrintQueue(self, methodName);
}

void Voucher::printThroughPrinter()
{
    PrintEvents* target = controllerLoaded() ? &frmController::instance() : nullptr;
    if (target) {
        target->RaisePrintBegin(1);
        target->RaisePrintVoucher(QString());
    }
    const auto closeJob = [target] {
        if (!target)
            return;
        target->RaisePrintVoucherEnd();
        target->RaisePrintEnd();
    };
    try {
        if (const std::shared_ptr<Printer> printer = createPrinter()) {
            QString fileName = m_fileName;
            printer->PrintDocument(fileName, nullptr);
            writePrintedTimestamp();
        }
    } catch (...) {
        // A failed print still ends its job, so the next one gets its own PrintBegin.
        closeJob();
        throw;
    }
    closeJob();
}

void Voucher::raiseMarkupEvents()
{
    const ProcessState& state = ProcessState::instance();
    // The markup closes the job it opened when the document breaks off, then raises.
    VoucherMarkup markup(frmController::instance(), m_state, {state.logoPath, state.logoExt});
    markup.RaisePrintEvents(m_fileName);
    // A document that ends before its markup does (or has none) was not printed whole: the
    // Sovereign learns it, and it is not stamped as printed.
    if (!markup.complete())
        RuntimeErrors::raise(RuntimeErrors::InvalidFileFormat);
    writePrintedTimestamp();
}

void Voucher::zWritePrintedTimestamp()
{
    ProcedureFrame frame(u"Sub zWritePrintedTimestamp"_s, kClassName);
    frame.run(classExit<Voucher>(), [&] { writePrintedTimestamp(); });
}

void Voucher::writePrintedTimestamp()
{
    // Printed whole: the Sovereign has it.
    VoucherDelivery::delivered(m_fileName);
    if (!QFileInfo(m_fileName).isFile())
        return;
    // Saved through a temporary file renamed over the voucher: a crash leaves the old or the
    // new document, never a part.
    const std::shared_ptr<XmlDocument> document = createXmlDocument();
    document->Load(m_fileName);
    document->setPrintedTimestamp(Clock::now());
    document->Save(m_fileName);
}

void Voucher::zPrettyXML()
{
    ProcedureFrame frame(u"Sub zPrettyXML"_s, kClassName);
    frame.run(ErrorExit::rethrow(), [&] {
        Trace::write(u"--> zPrettyXML("_s + m_fileName + u')', Trace::ProgressSeverity);
        // The document component writes itself back indented, through a temporary file that
        // is renamed over the voucher.
        const std::shared_ptr<XmlDocument> document = createXmlDocument();
        document->Load(m_fileName);
        document->Save(m_fileName);
    });
}
