#include "platform/ExecutableInfo.h"
#include "platform/RuntimeErrors.h"
#include "platform/TestHelpers.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

TEST(RuntimeErrorsTest, StandardNumbersHaveTheRuntimesTexts)
{
    const struct {
        qint32 number;
        const char* text;
    } cases[] = {
        {5, "Invalid procedure call or argument"},
        {6, "Overflow"},
        {9, "Subscript out of range"},
        {13, "Type mismatch"},
        {53, "File not found"},
        {70, "Permission denied"},
        {91, "Object variable or With block variable not set"},
        {94, "Invalid use of Null"},
        {321, "Invalid file format"},
        {429, "ActiveX component can't create object"},
        {457, "This key is already associated with an element of this collection"},
        {0, "Application-defined or object-defined error"},
        {1000, "Application-defined or object-defined error"},
        {-2147221504, "Application-defined or object-defined error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RuntimeErrors::text(c.number), QString::fromLatin1(c.text)) << c.number;
}

TEST(RuntimeErrorsTest, ErrorsCarryTheProgramAsSourceUnlessToldOtherwise)
{
    const AutomationError standard = RuntimeErrors::error(RuntimeErrors::TypeMismatch);
    EXPECT_EQ(standard.number(), 13);
    EXPECT_EQ(standard.source(), ExecutableInfo::name());
    EXPECT_EQ(standard.description(), QStringLiteral("Type mismatch"));
    EXPECT_STREQ(standard.what(), "13 (pcQUIBA): Type mismatch");

    const AutomationError own = RuntimeErrors::error(421, QStringLiteral("pcQUIBAclsXMLReader"), QStringLiteral("withdrawn"));
    EXPECT_EQ(own.source(), QStringLiteral("pcQUIBAclsXMLReader"));
    EXPECT_EQ(own.description(), QStringLiteral("withdrawn"));
}

TEST(RuntimeErrorsTest, RaiseThrowsTheError)
{
    try {
        RuntimeErrors::raise(RuntimeErrors::FileNotFound, QStringLiteral("source"));
        FAIL() << "nothing raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_EQ(error.source(), QStringLiteral("source"));
        EXPECT_EQ(error.description(), QStringLiteral("File not found"));
    }
}

template <class Exception>
AutomationError asAutomationError(const Exception& exception)
{
    try {
        throw exception;
    } catch (...) {
        return AutomationError::fromCurrentException();
    }
}

TEST(RuntimeErrorsTest, AnyExceptionBecomesAnAutomationError)
{
    const AutomationError passed = asAutomationError(AutomationError(457, u"s"_s, u"d"_s, u"help"_s, u"7"_s));
    EXPECT_EQ(passed.number(), 457);
    EXPECT_EQ(passed.helpFile(), QStringLiteral("help"));
    EXPECT_EQ(passed.helpContext(), QStringLiteral("7"));

    EXPECT_EQ(asAutomationError(std::bad_alloc()).number(), RuntimeErrors::OutOfMemory);

    const AutomationError internal = asAutomationError(std::runtime_error("broken"));
    EXPECT_EQ(internal.number(), RuntimeErrors::InternalError);
    EXPECT_EQ(internal.description(), QStringLiteral("Internal error: broken"));

    EXPECT_EQ(asAutomationError(42).number(), RuntimeErrors::InternalError);
}

} // namespace
