#include "api/Eftpos.h"
#include "services/ProcessState.h"
#include "config/clsINIFile.h"
#include "config/IniLocation.h"
#include "fakes/ServiceFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class EftposTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ProcessState::reset();
        ini = std::make_shared<clsINIFile>();
        ini->setFileName(folder.filePath(u"pcQUIBA.ini"_s));
        ProcessState::instance().ini = ini;
    }

    void TearDown() override
    {
        ProcessState::reset();
        ServiceFixture::TearDown();
    }

    // The stored text, or "(none)" when the key is absent.
    QString stored(const QString& key) const
    {
        return ini->KeyExists(u"EFTPOS"_s, key) ? ini->GetString(u"EFTPOS"_s, key) : u"(none)"_s;
    }

    QTemporaryDir folder;
    std::shared_ptr<clsINIFile> ini;
    Eftpos eftpos;
};

TEST_F(EftposTest, AccountTypeIsStoredAsItsAccountCode)
{
    const struct {
        const char* given;
        const char* code;
        const char* normalised;
    } cases[] = {
        {" cheque ", "CHQ", "CHEQUE"}, {"chq", "CHQ", "CHQ"},         {"Check", "CHQ", "CHECK"},
        {"sav", "SAV", "SAV"},         {"Savings", "SAV", "SAVINGS"}, {"cr", "CR", "CR"},
        {"cred", "CR", "CRED"},        {"credit", "CR", "CREDIT"},    {"def", "DEF", "DEF"},
        {"Default", "DEF", "DEFAULT"}, {" Visa ", "VISA", "VISA"},
        {"savings account", "SAVINGS ACCOUNT", "SAVINGS ACCOUNT"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.given);
        logger->lines.clear();
        eftpos.setAccountType(QString::fromUtf8(testCase.given));
        const QString code = QString::fromUtf8(testCase.code);
        EXPECT_EQ(stored(u"tender"_s), code);
        EXPECT_EQ(logger->texts(), QStringList{u"SET: Eftpos.AccountType = %1 (%2)"_s.arg(
                                       code, QString::fromUtf8(testCase.normalised))});
        EXPECT_EQ(eftpos.AccountType(), code);
    }
    eftpos.setAccountType(u"  "_s);
    EXPECT_EQ(stored(u"tender"_s), u"(none)"_s);
    EXPECT_EQ(eftpos.AccountType(), QString());
}

TEST_F(EftposTest, IdentifiersAreTrimmedAndTheAliasesShareTheirKeys)
{
    eftpos.setCaid(u"  123 "_s);
    EXPECT_EQ(stored(u"caid"_s), u"123"_s);
    logger->lines.clear();
    EXPECT_EQ(eftpos.MerchantID(), u"123"_s);
    EXPECT_EQ(logger->texts(), (QStringList{u"GET: Eftpos.Caid"_s, u" --> 123"_s}));

    eftpos.setMerchantID(QString());
    EXPECT_EQ(stored(u"caid"_s), u"(none)"_s);
    EXPECT_EQ(eftpos.Caid(), QString());

    logger->lines.clear();
    eftpos.setTerminalID(u" T-42 "_s);
    EXPECT_EQ(logger->texts(), QStringList{u"SET: Eftpos.Catid = T-42"_s});
    EXPECT_EQ(stored(u"catid"_s), u"T-42"_s);
    EXPECT_EQ(eftpos.Catid(), u"T-42"_s);
}

TEST_F(EftposTest, CardNameIsUpperCasedWhilePanAndStanKeepTheirCase)
{
    eftpos.setCardName(u" visa debit "_s);
    eftpos.setPan(u" 4111xxxxxxxx1111 "_s);
    eftpos.setStan(u"ab12"_s);
    EXPECT_EQ(stored(u"card_name"_s), u"VISA DEBIT"_s);
    EXPECT_EQ(stored(u"pan"_s), u"4111xxxxxxxx1111"_s);
    EXPECT_EQ(stored(u"stan"_s), u"ab12"_s);
    EXPECT_EQ(eftpos.CardName(), u"VISA DEBIT"_s);
    EXPECT_EQ(eftpos.Stan(), u"ab12"_s);
}

TEST_F(EftposTest, AMissingKeyReadsEmptyWithoutAConfiguredDefault)
{
    EXPECT_EQ(eftpos.Pan(), QString());
    EXPECT_EQ(eftpos.AccountType(), QString());
    EXPECT_FALSE(QFile::exists(ini->FileName()));
}

TEST_F(EftposTest, CreatesTheSharedAccessorOnTheProgramsIniFileWhenMissing)
{
    const QString programIni = IniLocation::iniFileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(programIni).path()));
    ProcessState::instance().ini.reset();
    Eftpos created;
    ASSERT_TRUE(ProcessState::instance().ini);
    EXPECT_EQ(ProcessState::instance().ini->FileName(), programIni);
    created.setStan(u"77"_s);
    clsINIFile reader;
    reader.setFileName(programIni);
    EXPECT_EQ(reader.GetString(u"EFTPOS"_s, u"stan"_s), u"77"_s);
    QFile::remove(programIni);
}

} // namespace
