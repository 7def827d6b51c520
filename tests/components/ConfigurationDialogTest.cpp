#include "services/ProcessState.h"
#include "components/BuiltInConfigurationUtility.h"
#include "components/ConfigurationDialog.h"
#include "components/ConfigurationSchema.h"
#include "components/UpdatePackageQuartermaster.h"
#include "config/clsINIFile.h"
#include "fakes/ServiceFixture.h"
#include "platform/ComponentRegistry.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class ConfigurationDialogTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ProcessState::reset();
        fileName = folder.filePath(u"pcQUIBA.ini"_s);
        ini = std::make_shared<clsINIFile>();
        ini->setFileName(fileName);
        ProcessState::instance().ini = ini;
    }

    void TearDown() override
    {
        BuiltInConfigurationUtility::setPinPrompt({});
        BuiltInConfigurationUtility::setDialogRunner({});
        ProcessState::reset();
        ServiceFixture::TearDown();
    }

    void write(const QByteArray& content)
    {
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    QByteArray content() const
    {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    QString fileName;
    std::shared_ptr<clsINIFile> ini;
};

TEST_F(ConfigurationDialogTest, OnePagePerSectionWithEditorsThatFitTheDefaults)
{
    write("[GENERAL]\r\nchime_minutes=45\r\ndebug=True\r\n[API]\r\nuse_by_empty=2.25\r\n");
    ConfigurationDialog dialog(ini);
    QStringList sections;
    for (const auto& section : ConfigurationSchema::sections())
        sections.append(section.name);
    EXPECT_EQ(dialog.pageNames(), sections);

    const auto* minutes = qobject_cast<QSpinBox*>(dialog.editor(u"GENERAL"_s, u"chime_minutes"_s));
    const auto* debug = qobject_cast<QCheckBox*>(dialog.editor(u"GENERAL"_s, u"debug"_s));
    const auto* training = qobject_cast<QCheckBox*>(dialog.editor(u"GENERAL"_s, u"training_mode"_s));
    const auto* useBy = qobject_cast<QDoubleSpinBox*>(dialog.editor(u"API"_s, u"use_by_empty"_s));
    const auto* lastPing = qobject_cast<QDateTimeEdit*>(dialog.editor(u"GENERAL"_s, u"last_ping"_s));
    const auto* pin = qobject_cast<QLineEdit*>(dialog.editor(u"GENERAL"_s, u"masterpin"_s));
    const auto* printer = qobject_cast<QLineEdit*>(dialog.editor(u"PRINTER"_s, u"class"_s));
    ASSERT_TRUE(minutes && debug && training && useBy && lastPing && pin && printer);
    EXPECT_EQ(minutes->value(), 45);
    EXPECT_TRUE(debug->isChecked());
    EXPECT_FALSE(training->isChecked());
    EXPECT_DOUBLE_EQ(useBy->value(), 2.25);
    EXPECT_EQ(pin->text(), u"518042"_s); // the default
    EXPECT_EQ(printer->text(), QString());
    EXPECT_EQ(dialog.editor(u"GENERAL"_s, u"no_such_key"_s), nullptr);
}

TEST_F(ConfigurationDialogTest, SavingWritesOnlyChangedKeysAndErasesDefaults)
{
    write("; site settings\r\n[GENERAL]\r\nchime_minutes=45\r\ndebug=1\r\n");
    ConfigurationDialog dialog(ini);
    qobject_cast<QSpinBox*>(dialog.editor(u"GENERAL"_s, u"chime_minutes"_s))->setValue(20); // the default
    qobject_cast<QLineEdit*>(dialog.editor(u"PRINTER"_s, u"class"_s))->setText(u"Receipts.Printer"_s);
    EXPECT_EQ(content(), QByteArray("; site settings\r\n[GENERAL]\r\nchime_minutes=45\r\ndebug=1\r\n"))
        << "written before saving";

    dialog.save();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(ini->KeyExists(u"GENERAL"_s, u"chime_minutes"_s));
    EXPECT_EQ(ini->GetString(u"GENERAL"_s, u"debug"_s), u"1"_s); // untouched, kept as written
    EXPECT_EQ(ini->GetString(u"PRINTER"_s, u"class"_s), u"Receipts.Printer"_s);
    EXPECT_TRUE(content().startsWith("; site settings\r\n"));
}

TEST_F(ConfigurationDialogTest, ThePanelNamePicksThePage)
{
    ConfigurationDialog dialog(ini);
    const struct {
        QString panel;
        bool matched;
        QString page;
    } cases[] = {
        {u"printer"_s, true, u"PRINTER"_s},
        {u"CARD_READER"_s, true, u"CARD_READER"_s},
        {u""_s, false, u"GENERAL"_s},
        {u"NOWHERE"_s, false, u"GENERAL"_s},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(dialog.selectPage(testCase.panel), testCase.matched);
        EXPECT_EQ(dialog.currentPage(), testCase.page);
    }
}

TEST_F(ConfigurationDialogTest, ShowPanelAsksForThePinUnlessTheMasterPinCameWithIt)
{
    write("[GENERAL]\r\nmasterpin=2468\r\n");
    const struct {
        const char* name;
        QString pin;
        std::optional<QString> answer; // what the operator types; none: cancelled
        bool asked;
        bool opened;
    } cases[] = {
        {"master PIN given", u"2468"_s, std::nullopt, false, true},
        {"master PIN with blanks", u" 2468 "_s, std::nullopt, false, true},
        {"no PIN, right answer", u""_s, u"2468"_s, true, true},
        {"wrong PIN, wrong answer", u"1111"_s, u"1234"_s, true, false},
        {"no PIN, cancelled", u""_s, std::nullopt, true, false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        bool asked = false;
        QString openedAt;
        BuiltInConfigurationUtility::setPinPrompt([&] {
            asked = true;
            return testCase.answer;
        });
        BuiltInConfigurationUtility::setDialogRunner([&](ConfigurationDialog& dialog) {
            openedAt = dialog.currentPage();
            return true;
        });
        BuiltInConfigurationUtility utility;
        QString panel = u"HOST"_s;
        QString pin = testCase.pin;
        EXPECT_EQ(utility.ShowPanel(panel, pin), testCase.opened);
        EXPECT_EQ(asked, testCase.asked);
        EXPECT_EQ(openedAt, testCase.opened ? u"HOST"_s : QString());
    }
}

TEST_F(ConfigurationDialogTest, WithNobodyToAnswerTheDialogIsNotOpened)
{
    BuiltInConfigurationUtility utility;
    QString panel;
    QString pin = u"518042"_s;
    EXPECT_FALSE(utility.ShowPanel(panel, pin)); // offscreen: logged instead of waiting
    EXPECT_TRUE(logger->texts().contains(u"Settings not opened: nobody to edit them"_s));
}

TEST_F(ConfigurationDialogTest, UpdatesWithoutAPackageInTheDownloadFolderReportThatNoneIsWaiting)
{
    BuiltInConfigurationUtility utility;
    QString package = u"absent.tar.gz"_s;
    utility.BeginUpdate(package);
    bool isExe = true;
    QString message;
    EXPECT_EQ(utility.FilesToInstall(isExe, message), 0);
    EXPECT_FALSE(isExe);
    EXPECT_EQ(message, UpdatePackageQuartermaster::kNothingWaiting);
    // And it is what the registry makes under the utility's class name.
    EXPECT_TRUE(std::dynamic_pointer_cast<BuiltInConfigurationUtility>(
        ComponentRegistry::create(ConfigurationUtility::kClassId)));
}

TEST_F(ConfigurationDialogTest, LooksFinishedWhenGrabbed)
{
    write("[GENERAL]\r\nchime_minutes=45\r\ndebug=True\r\n");
    ConfigurationDialog dialog(ini);
    dialog.selectPage(u"GENERAL"_s);
    dialog.show();
    const QImage picture = dialog.grab().toImage();
    dialog.hide();
    ASSERT_FALSE(picture.isNull());
    EXPECT_LT(QColor(picture.pixel(picture.width() / 2, 10)).lightness(), 80);
    EXPECT_TRUE(picture.save(QDir(QCoreApplication::applicationDirPath()).filePath(u"ConfigurationDialog.png"_s)));
}

} // namespace
