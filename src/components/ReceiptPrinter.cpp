#include "components/ReceiptPrinter.h"

#include "controller/StatusFile.h"

#include "api/VoucherMarkup.h"
#include "services/ProcessState.h"
#include "components/EscPosConnection.h"
#include "components/EscPosEncoder.h"
#include "components/ReceiptOutput.h"
#include "components/ReceiptPreview.h"
#include "components/ReceiptRenderer.h"
#include "components/ReceiptSheets.h"
#include "config/IniLocation.h"
#include "config/clsINIFile.h"
#include "platform/OffLoopWork.h"
#include "platform/RuntimeErrors.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace {

const QString kPdf = QStringLiteral("pdf");
const QString kPng = QStringLiteral("png");
const QString kEscPos = QStringLiteral("escpos");

QString fileType(const ReceiptSettings& settings)
{
    return settings.type.trimmed().toLower();
}

} // namespace

QString ReceiptPrinter::classId()
{
    return QStringLiteral("QuibaPrint.ReceiptPrinter");
}

ReceiptPrinter::ReceiptPrinter() : m_settings(iniSettings())
{
}

ReceiptPrinter::ReceiptPrinter(const ReceiptSettings& settings) : m_settings(settings)
{
}

QString ReceiptPrinter::className() const
{
    return QStringLiteral("ReceiptPrinter");
}

ReceiptSettings ReceiptPrinter::iniSettings()
{
    const ProcessState& state = ProcessState::instance();
    if (state.ini)
        return ReceiptSettings::fromIni(*state.ini);
    clsINIFile ini;
    ini.setFileName(IniLocation::iniFileName());
    return ReceiptSettings::fromIni(ini);
}

void ReceiptPrinter::readVoucher(PrintEvents& target, const QString& fileName, const ReceiptSettings& settings)
{
    VoucherPrintState state;
    VoucherMarkup markup(target, state, {settings.logoPath, settings.logoExt});
    markup.RaisePrintEvents(fileName);
    // A document that ends before its markup does would leave as a slip without its PIN.
    if (!markup.complete())
        RuntimeErrors::raise(RuntimeErrors::InvalidFileFormat);
}

QByteArray ReceiptPrinter::escPosJob(const QString& fileName, const ReceiptSettings& settings)
{
    EscPosEncoder encoder(settings);
    readVoucher(encoder, fileName, settings);
    return encoder.job();
}

EscPosStatus ReceiptPrinter::escPosStatus(const QString& device, int timeoutMs)
{
    EscPosConnection connection = EscPosConnection::open(device, timeoutMs);
    return EscPosStatus::ask(connection);
}

// Every answer is the printer's last known state in the status file, noted on the event loop's
// thread once the printer's own thread has it.
const EscPosStatus& ReceiptPrinter::noted(const EscPosStatus& status)
{
    StatusFile::instance().setPrinter(status.state() == EscPosStatus::State::Ready ? QStringLiteral("ready")
                                                                                 : EscPosStatus::text(status.state()));
    return status;
}

void ReceiptPrinter::sendEscPos(const QByteArray& job, const ReceiptSettings& settings)
{
    // A slow or silent printer holds its own thread, never the event loop; what the statuses
    // say is logged and raised back on the loop's thread.
    std::optional<EscPosStatus> before;
    std::optional<EscPosStatus> after;
    OffLoopWork::run([&] {
        EscPosConnection connection = EscPosConnection::open(settings.device, settings.timeoutMs);
        before = EscPosStatus::ask(connection);
        if (before->state() != EscPosStatus::State::Ready)
            return;
        connection.write(job);
        after = EscPosStatus::ask(connection);
    });
    noted(*before).raiseUnlessReady();
    // Found after the job, the voucher is not taken as printed.
    noted(*after).raiseUnlessReady();
}

void ReceiptPrinter::CheckStatus()
{
    if (fileType(m_settings) != kEscPos)
        return;
    std::optional<EscPosStatus> status;
    OffLoopWork::run([&] { status = escPosStatus(m_settings.device, m_settings.timeoutMs); });
    noted(*status).raiseUnlessReady();
}

QList<QImage> ReceiptPrinter::render(const QString& fileName, const ReceiptSettings& settings)
{
    ReceiptRenderer renderer(settings);
    readVoucher(renderer, fileName, settings);
    renderer.finishSlip();
    return ReceiptSheets::arrange(renderer.slips(), settings);
}

QString ReceiptPrinter::outputFile(const QString& voucherFile, const ReceiptSettings& settings)
{
    const QString type = fileType(settings);
    if (type != kPdf && type != kPng)
        return {};
    const QString folder = IniLocation::joinPath(settings.dataPath, kPrintedFolder);
    return IniLocation::joinPath(folder, QFileInfo(voucherFile).completeBaseName() + u'.' + type);
}

void ReceiptPrinter::PrintDocument(QString& fileName, const ObjectRef&)
{
    if (fileType(m_settings) == kEscPos) {
        // The whole job is made before anything is sent: a voucher that cannot be read
        // prints nothing.
        sendEscPos(escPosJob(fileName, m_settings), m_settings);
        return;
    }
    const QList<QImage> sheets = render(fileName, m_settings);
    if (m_settings.preview && !ReceiptPreview::confirm(ReceiptSheets::roll(sheets, m_settings)))
        return;
    const QString target = outputFile(fileName, m_settings);
    if (target.isEmpty()) {
        ReceiptOutput::print(sheets, m_settings.device, m_settings);
        return;
    }
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        RuntimeErrors::raise(RuntimeErrors::PathNotFound, {}, QFileInfo(target).absolutePath());
    if (fileType(m_settings) == kPdf)
        ReceiptOutput::writePdf(sheets, target, m_settings);
    else
        ReceiptOutput::writePng(sheets, target, m_settings);
}
