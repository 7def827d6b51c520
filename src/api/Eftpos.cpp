#include "api/Eftpos.h"

#include "api/ClassExit.h"
#include "api/IniTextBounds.h"
#include "api/IniWriteFailure.h"
#include "services/ErrorExit.h"
#include "services/PrivateData.h"
#include "services/ProcedureFrame.h"
#include "services/ProcessState.h"
#include "services/QuibaErrors.h"
#include "services/Trace.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "platform/Blanks.h"

using namespace Qt::StringLiterals;

namespace {

struct AccountName {
    const char16_t* given;
    const char16_t* code;
};

// Compared exactly, in this order.
constexpr AccountName kAccountNames[] = {
    {u"CHQ", u"CHQ"},     {u"CHEQUE", u"CHQ"}, {u"CHECK", u"CHQ"},   {u"SAV", u"SAV"}, {u"SAVINGS", u"SAV"},
    {u"CR", u"CR"},       {u"CRED", u"CR"},    {u"CREDIT", u"CR"},   {u"DEF", u"DEF"}, {u"DEFAULT", u"DEF"},
};

// The card's own values: kept out of the log when private data is not logged.
bool isCardValue(const QString& property)
{
    return property == u"CardName" || property == u"Pan";
}

QString loggedEftposValue(const QString& property, const QString& value)
{
    return isCardValue(property) ? PrivateData::shown(value) : value;
}

} // namespace

Eftpos::Eftpos()
{
    sharedIni();
}

QString Eftpos::className() const
{
    return kClassName;
}

clsINIFile& Eftpos::sharedIni()
{
    std::shared_ptr<clsINIFile>& ini = ProcessState::instance().ini;
    if (!ini) {
        ini = std::make_shared<clsINIFile>();
        ini->setFileName(IniLocation::iniFileName());
    }
    return *ini;
}

QString Eftpos::accountCode(const QString& accountType)
{
    for (const AccountName& name : kAccountNames) {
        if (accountType == name.given)
            return QString::fromUtf16(name.code);
    }
    return accountType;
}

QString Eftpos::read(const QString& property, const QString& key)
{
    ProcedureFrame frame(u"Property (Get) "_s + property, kClassName);
    return frame.run(classExit<Eftpos>(), [&] {
        Trace::write(Trace::getLine(kClassName, property));
        const QString value = sharedIni().GetString(IniSections::Eftpos, key, QString());
        Trace::write(Trace::resultLine(loggedEftposValue(property, value)));
        return value;
    });
}

void Eftpos::write(const QString& property, const QString& key, const QString& value, const QString& logAddition)
{
    ProcedureFrame frame(u"Property (Let) "_s + property, kClassName);
    frame.run(classExit<Eftpos>(), [&] {
        Trace::write(Trace::setLine(kClassName, property, loggedEftposValue(property, value) + logAddition));
        if (IniTextBounds::firstOverLimit({{property, value, IniTextBounds::kValueLimit}}))
            frame.raise(quibaInvalidArgument, kClassName, {Variant(property)});
        // With the empty text as default the accessor removes the key for an empty value.
        sharedIni().WriteString(IniSections::Eftpos, key, value, QString());
        IniWriteFailure::raiseIfAny(frame, kClassName, sharedIni());
    });
}

QString Eftpos::AccountType()
{
    return read(u"AccountType"_s, IniKeys::Tender);
}

void Eftpos::setAccountType(const QString& value)
{
    const QString given = Blanks::trim(value).toUpper();
    write(u"AccountType"_s, IniKeys::Tender, accountCode(given), u" ("_s + given + u')');
}

QString Eftpos::Caid()
{
    return read(u"Caid"_s, IniKeys::Caid);
}

void Eftpos::setCaid(const QString& value)
{
    write(u"Caid"_s, IniKeys::Caid, Blanks::trim(value));
}

QString Eftpos::MerchantID()
{
    ProcedureFrame frame(u"Property (Get) MerchantID"_s, kClassName);
    return frame.run(classExit<Eftpos>(), [&] { return Caid(); });
}

void Eftpos::setMerchantID(const QString& value)
{
    ProcedureFrame frame(u"Property (Let) MerchantID"_s, kClassName);
    frame.run(classExit<Eftpos>(), [&] { setCaid(value); });
}

QString Eftpos::Catid()
{
    return read(u"Catid"_s, IniKeys::Catid);
}

void Eftpos::setCatid(const QString& value)
{
    write(u"Catid"_s, IniKeys::Catid, Blanks::trim(value));
}

QString Eftpos::TerminalID()
{
    ProcedureFrame frame(u"Property (Get) TerminalID"_s, kClassName);
    return frame.run(classExit<Eftpos>(), [&] { return Catid(); });
}

void Eftpos::setTerminalID(const QString& value)
{
    ProcedureFrame frame(u"Property (Let) TerminalID"_s, kClassName);
    frame.run(classExit<Eftpos>(), [&] { setCatid(value); });
}

QString Eftpos::CardName()
{
    return read(u"CardName"_s, IniKeys::CardName);
}

void Eftpos::setCardName(const QString& value)
{
    write(u"CardName"_s, IniKeys::CardName, Blanks::trim(value).toUpper());
}

QString Eftpos::Pan()
{
    return read(u"Pan"_s, IniKeys::Pan);
}

void Eftpos::setPan(const QString& value)
{
    write(u"Pan"_s, IniKeys::Pan, Blanks::trim(value));
}

QString Eftpos::Stan()
{
    return read(u"Stan"_s, IniKeys::Stan);
}

void Eftpos::setStan(const QString& value)
{
    write(u"Stan"_s, IniKeys::Stan, Blanks::trim(value));
}
