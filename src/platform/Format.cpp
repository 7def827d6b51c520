#include "platform/Format.h"

#include "platform/Conversions.h"
#include "platform/DateValue.h"
#include "platform/DecimalNumber.h"
#include "platform/RuntimeErrors.h"

#include <QList>
#include <algorithm>
#include <optional>

namespace {

// ---- pattern text: sections, quoted text and escapes ----

// One character of a pattern, or a literal text from "..." or a backslash escape.
struct Piece {
    QString text;
    bool literal = false;

    bool is(char16_t c) const { return !literal && text.size() == 1 && text.at(0) == c; }
};
using Section = QList<Piece>;

QList<Section> lexSections(const QString& pattern)
{
    QList<Section> sections(1);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'"') {
            const qsizetype close = pattern.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? pattern.size() : close;
            sections.last().append({pattern.mid(i + 1, end - i - 1), true});
            i = end;
        } else if (c == u'\\') {
            if (++i < pattern.size())
                sections.last().append({QString(pattern.at(i)), true});
        } else if (c == u';') {
            sections.append(Section());
        } else {
            sections.last().append({QString(c), false});
        }
    }
    return sections;
}

// The runtime's named formats, in its fixed English forms.
std::optional<QString> namedPattern(const QString& name)
{
    struct Named {
        const char* name;
        const char* pattern;
    };
    static constexpr Named kNamed[] = {
        {"general number", ""},
        {"general date", "c"},
        {"long date", "dddddd"},
        {"medium date", "dd-mmm-yy"},
        {"short date", "ddddd"},
        {"long time", "ttttt"},
        {"medium time", "hh:nn AM/PM"},
        {"short time", "hh:nn"},
        {"fixed", "0.00"},
        {"standard", "#,##0.00"},
        {"percent", "0.00%"},
        {"scientific", "0.00E+00"},
        {"yes/no", "\"Yes\";\"Yes\";\"No\""},
        {"true/false", "\"True\";\"True\";\"False\""},
        {"on/off", "\"On\";\"On\";\"Off\""},
    };
    for (const Named& named : kNamed) {
        if (name.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(named.pattern);
    }
    return std::nullopt;
}

// ---- date patterns ----

struct DateContext {
    DateValue::Parts parts;
    double serial;
    bool twelveHour;
    QString text; // the field as the pattern wrote it (for AM/PM)
};

int hourOf(const DateContext& c)
{
    const int hour = c.parts.hour;
    return c.twelveHour && hour % 12 == 0 ? 12 : c.twelveHour ? hour % 12 : hour;
}

// Week of the year with Sunday first and week 1 holding 1 January, as the runtime's "ww".
int weekOfYear(const DateValue::Parts& p)
{
    const int newYearWeekday = ((p.dayOfWeek - 1 - (p.dayOfYear - 1)) % 7 + 7) % 7 + 1;
    return (p.dayOfYear - 1 + newYearWeekday - 1) / 7 + 1;
}

// "AM/PM" shows the part before or after the slash as written; "AMPM" the English designators.
QString meridiem(const DateContext& c)
{
    const bool morning = c.parts.hour < 12;
    const qsizetype slash = c.text.indexOf(u'/');
    if (slash < 0)
        return morning ? QStringLiteral("AM") : QStringLiteral("PM");
    return morning ? c.text.left(slash) : c.text.mid(slash + 1);
}

enum class FieldRole { Other, Hour, Month, Minute, Meridiem };

int dayField(const DateContext& c) { return c.parts.day; }
int monthField(const DateContext& c) { return c.parts.month; }
int yearField(const DateContext& c) { return c.parts.year; }
int yearInCenturyField(const DateContext& c) { return c.parts.year % 100; }
int dayOfYearField(const DateContext& c) { return c.parts.dayOfYear; }
int weekdayField(const DateContext& c) { return c.parts.dayOfWeek; }
int weekField(const DateContext& c) { return weekOfYear(c.parts); }
int quarterField(const DateContext& c) { return (c.parts.month + 2) / 3; }
int minuteField(const DateContext& c) { return c.parts.minute; }
int secondField(const DateContext& c) { return c.parts.second; }

QString longDate(const DateContext& c)
{
    return QString::number(c.parts.day) + u' ' + DateValue::monthName(c.parts.month) + u' '
        + QString::number(c.parts.year);
}

QString dayNameField(const DateContext& c) { return DateValue::dayName(c.parts.dayOfWeek); }
QString dayAbbreviationField(const DateContext& c) { return DateValue::dayName(c.parts.dayOfWeek, true); }
QString monthNameField(const DateContext& c) { return DateValue::monthName(c.parts.month); }
QString monthAbbreviationField(const DateContext& c) { return DateValue::monthName(c.parts.month, true); }
QString shortDateField(const DateContext& c) { return DateValue::dateText(c.parts); }
QString longTimeField(const DateContext& c) { return DateValue::timeText(c.parts); }
QString generalDateField(const DateContext& c) { return DateValue::toText(c.serial); }

// A field shows either a text or a number, the number with at least `width` digits.
struct DateField {
    const char16_t* pattern;
    QString (*text)(const DateContext&);
    int (*number)(const DateContext&);
    int width;
    FieldRole role;

    QString render(const DateContext& context) const
    {
        if (text)
            return text(context);
        return QStringLiteral("%1").arg(number(context), width, 10, QChar(u'0'));
    }
};

// Longest first where one field's letters begin another's.
const DateField kDateFields[] = {
    {u"am/pm", meridiem, nullptr, 0, FieldRole::Meridiem},
    {u"a/p", meridiem, nullptr, 0, FieldRole::Meridiem},
    {u"ampm", meridiem, nullptr, 0, FieldRole::Meridiem},
    {u"ttttt", longTimeField, nullptr, 0, FieldRole::Other},
    {u"dddddd", longDate, nullptr, 0, FieldRole::Other},
    {u"ddddd", shortDateField, nullptr, 0, FieldRole::Other},
    {u"dddd", dayNameField, nullptr, 0, FieldRole::Other},
    {u"ddd", dayAbbreviationField, nullptr, 0, FieldRole::Other},
    {u"dd", nullptr, dayField, 2, FieldRole::Other},
    {u"d", nullptr, dayField, 1, FieldRole::Other},
    {u"ww", nullptr, weekField, 1, FieldRole::Other},
    {u"w", nullptr, weekdayField, 1, FieldRole::Other},
    {u"mmmm", monthNameField, nullptr, 0, FieldRole::Other},
    {u"mmm", monthAbbreviationField, nullptr, 0, FieldRole::Other},
    {u"mm", nullptr, monthField, 2, FieldRole::Month},
    {u"m", nullptr, monthField, 1, FieldRole::Month},
    {u"q", nullptr, quarterField, 1, FieldRole::Other},
    {u"yyyy", nullptr, yearField, 1, FieldRole::Other},
    {u"yy", nullptr, yearInCenturyField, 2, FieldRole::Other},
    {u"y", nullptr, dayOfYearField, 1, FieldRole::Other},
    {u"hh", nullptr, hourOf, 2, FieldRole::Hour},
    {u"h", nullptr, hourOf, 1, FieldRole::Hour},
    {u"nn", nullptr, minuteField, 2, FieldRole::Minute},
    {u"n", nullptr, minuteField, 1, FieldRole::Minute},
    {u"ss", nullptr, secondField, 2, FieldRole::Other},
    {u"s", nullptr, secondField, 1, FieldRole::Other},
    {u"c", generalDateField, nullptr, 0, FieldRole::Other},
};

const DateField* minuteFieldLike(const DateField* month)
{
    for (const DateField& field : kDateFields) {
        if (field.role == FieldRole::Minute && QStringView(field.pattern).size() == QStringView(month->pattern).size())
            return &field;
    }
    return month;
}

struct DateToken {
    const DateField* field; // nullptr for literal text
    QString text;
};

// The field whose letters start at `index` (any case), with the number of pieces it spans.
std::pair<const DateField*, qsizetype> dateFieldAt(const Section& section, qsizetype index)
{
    QString run;
    for (qsizetype i = index; i < section.size() && !section.at(i).literal && run.size() < 6; ++i)
        run += section.at(i).text;
    for (const DateField& field : kDateFields) {
        const QStringView pattern(field.pattern);
        if (run.startsWith(pattern, Qt::CaseInsensitive))
            return {&field, pattern.size()};
    }
    return {nullptr, 1};
}

QList<DateToken> dateTokens(const Section& section)
{
    QList<DateToken> tokens;
    const DateField* previous = nullptr;
    for (qsizetype i = 0; i < section.size();) {
        auto [field, length]
            = section.at(i).literal ? std::pair<const DateField*, qsizetype> {nullptr, 1} : dateFieldAt(section, i);
        QString text;
        for (qsizetype k = i; k < i + length; ++k)
            text += section.at(k).text;
        // "m" and "mm" right after an hour are minutes.
        if (field && field->role == FieldRole::Month && previous && previous->role == FieldRole::Hour)
            field = minuteFieldLike(field);
        if (field)
            previous = field;
        tokens.append({field, text});
        i += length;
    }
    return tokens;
}

// A section with a digit placeholder is a number pattern, whatever letters it also holds:
// "0 items" shows a count followed by the word.
bool holdsDigitPlaceholder(const Section& section)
{
    return std::any_of(section.begin(), section.end(), [](const Piece& piece) { return piece.is(u'0') || piece.is(u'#'); });
}

bool isDateSection(const Section& section)
{
    if (holdsDigitPlaceholder(section))
        return false;
    for (const DateToken& token : dateTokens(section)) {
        if (token.field)
            return true;
    }
    return false;
}

QString formatDate(double serial, const Section& section)
{
    const QList<DateToken> tokens = dateTokens(section);
    DateContext context {DateValue::split(serial), serial, false, {}};
    for (const DateToken& token : tokens)
        context.twelveHour = context.twelveHour || (token.field && token.field->role == FieldRole::Meridiem);
    QString result;
    for (const DateToken& token : tokens) {
        context.text = token.text;
        result += token.field ? token.field->render(context) : token.text;
    }
    return result;
}

// ---- number patterns ----

// A digit placeholder ("0" shows a zero, "#" nothing when there is no digit) or literal text.
struct NumberElement {
    QChar placeholder;
    QString literal;
};
using NumberElements = QList<NumberElement>;

qsizetype placeholderCount(const NumberElements& elements)
{
    return std::count_if(
        elements.begin(), elements.end(), [](const NumberElement& e) { return !e.placeholder.isNull(); });
}

// Placeholders from the first "0" to the end must show a digit.
qsizetype requiredDigits(const NumberElements& elements)
{
    qsizetype seen = 0;
    qsizetype required = 0;
    for (const NumberElement& element : elements) {
        if (element.placeholder.isNull())
            continue;
        ++seen;
        if (element.placeholder == u'0' && required == 0)
            required = placeholderCount(elements) - seen + 1;
    }
    return required;
}

// The pattern's literals with fill(slot) in place of each placeholder, slots counted from 0.
template <class Fill> QString fillPlaceholders(const NumberElements& elements, Fill fill)
{
    QString result;
    qsizetype slot = 0;
    for (const NumberElement& element : elements)
        result += element.placeholder.isNull() ? element.literal : fill(slot++, element.placeholder);
    return result;
}

// Whole digits right-aligned on the placeholders, the first one taking any extra digits;
// with grouping a "," falls before every third digit from the right.
QString renderWholeDigits(const NumberElements& elements, QString digits, bool grouping)
{
    const qsizetype placeholders = placeholderCount(elements);
    digits = digits.rightJustified(requiredDigits(elements), u'0');
    const qsizetype first = digits.size() - placeholders; // digit index of the first placeholder
    const auto digitText = [&](qsizetype from, qsizetype to) {
        QString text;
        for (qsizetype index = std::max<qsizetype>(from, 0); index < to; ++index) {
            if (grouping && index > 0 && (digits.size() - index) % 3 == 0)
                text += u',';
            text += digits.at(index);
        }
        return text;
    };
    const QString result = fillPlaceholders(
        elements, [&](qsizetype slot, QChar) { return digitText(slot == 0 ? 0 : first + slot, first + slot + 1); });
    return placeholders == 0 ? result + digitText(0, digits.size()) : result;
}

// Fraction digits left-aligned; trailing "#" places drop their zeros.
QString renderFractionDigits(const NumberElements& elements, const QString& digits)
{
    QString places;
    for (const NumberElement& element : elements) {
        if (!element.placeholder.isNull())
            places += element.placeholder;
    }
    qsizetype shown = places.size();
    while (shown > 0 && places.at(shown - 1) == u'#' && digits.at(shown - 1) == u'0')
        --shown;
    return fillPlaceholders(
        elements, [&](qsizetype slot, QChar) { return slot < shown ? QString(digits.at(slot)) : QString(); });
}

struct ExponentPart {
    QString letter;
    bool showPlus = false;
    NumberElements digits;
};

class NumberPattern {
public:
    explicit NumberPattern(const Section& section);

    // The value as the pattern shows it: scaled by "%" and "," and rounded to its places.
    DecimalNumber shown(const DecimalNumber& value) const;
    // Renders a value returned by shown(), without its sign.
    QString render(const DecimalNumber& value) const;

private:
    enum class Part { Whole, Fraction, Exponent };
    NumberElements& current();
    bool startsExponent(const Section& section, qsizetype index) const;
    void addPlaceholder(QChar placeholder);
    void addOperator(const Section& section, qsizetype& index);
    void endWholePart();
    int fractionPlaces() const { return int(placeholderCount(m_fraction)); }
    QString renderPlain(const DecimalNumber& value) const;
    QString renderScientific(const DecimalNumber& value) const;

    NumberElements m_whole;
    NumberElements m_fraction;
    ExponentPart m_exponent;
    Part m_part = Part::Whole;
    bool m_hasPoint = false;
    bool m_hasExponent = false;
    bool m_grouping = false;
    int m_pendingCommas = 0;
    int m_scale = 0;
};

NumberPattern::NumberPattern(const Section& section)
{
    for (qsizetype i = 0; i < section.size(); ++i) {
        if (section.at(i).literal)
            current().append({QChar(), section.at(i).text});
        else
            addOperator(section, i);
    }
    endWholePart();
}

NumberElements& NumberPattern::current()
{
    return m_part == Part::Whole ? m_whole : m_part == Part::Fraction ? m_fraction : m_exponent.digits;
}

bool NumberPattern::startsExponent(const Section& section, qsizetype index) const
{
    return m_part != Part::Exponent && index + 2 < section.size()
        && (section.at(index).is(u'E') || section.at(index).is(u'e'))
        && (section.at(index + 1).is(u'+') || section.at(index + 1).is(u'-'))
        && (section.at(index + 2).is(u'0') || section.at(index + 2).is(u'#'));
}

void NumberPattern::addPlaceholder(QChar placeholder)
{
    // A "," between whole-part placeholders groups thousands.
    if (m_part == Part::Whole && m_pendingCommas > 0 && placeholderCount(m_whole) > 0)
        m_grouping = true;
    if (m_part == Part::Whole)
        m_pendingCommas = 0;
    current().append({placeholder, {}});
}

void NumberPattern::addOperator(const Section& section, qsizetype& index)
{
    const Piece& piece = section.at(index);
    if (piece.is(u'0') || piece.is(u'#')) {
        addPlaceholder(piece.text.at(0));
    } else if (piece.is(u'.') && m_part == Part::Whole) {
        endWholePart();
        m_hasPoint = true;
        m_part = Part::Fraction;
    } else if (piece.is(u',') && m_part == Part::Whole) {
        ++m_pendingCommas;
    } else if (startsExponent(section, index)) {
        endWholePart();
        m_hasExponent = true;
        m_exponent.letter = piece.text;
        m_exponent.showPlus = section.at(index + 1).is(u'+');
        m_part = Part::Exponent;
        ++index;
    } else {
        if (piece.is(u'%'))
            m_scale += 2;
        current().append({QChar(), piece.text});
    }
}

// Commas that no whole-part placeholder follows divide by a thousand each.
void NumberPattern::endWholePart()
{
    m_scale -= 3 * m_pendingCommas;
    m_pendingCommas = 0;
}

DecimalNumber NumberPattern::shown(const DecimalNumber& value) const
{
    const DecimalNumber scaled = value.scaled(m_scale);
    return m_hasExponent ? scaled : scaled.rounded(fractionPlaces());
}

QString NumberPattern::render(const DecimalNumber& value) const
{
    return m_hasExponent ? renderScientific(value) : renderPlain(value);
}

QString NumberPattern::renderPlain(const DecimalNumber& value) const
{
    // A section without any digit place (such as "Yes") shows its text alone.
    const bool showsDigits = m_hasPoint || placeholderCount(m_whole) > 0 || fractionPlaces() > 0;
    QString text = renderWholeDigits(m_whole, showsDigits ? value.integerDigits() : QString(), m_grouping);
    if (m_hasPoint)
        text += u'.';
    return text + renderFractionDigits(m_fraction, value.fractionDigits(fractionPlaces()));
}

QString NumberPattern::renderScientific(const DecimalNumber& value) const
{
    const int wholePlaces = int(placeholderCount(m_whole));
    int exponent = value.isZero() ? 0 : value.pointPosition() - wholePlaces;
    DecimalNumber mantissa = value.scaled(-exponent).rounded(fractionPlaces());
    if (mantissa.integerDigits().size() > wholePlaces && !value.isZero()) {
        // Rounding carried into a new digit: 9.99 as "0.0E+00" is 1.0E+01.
        ++exponent;
        mantissa = value.scaled(-exponent).rounded(fractionPlaces());
    }
    const QString sign = exponent < 0 ? QStringLiteral("-") : m_exponent.showPlus ? QStringLiteral("+") : QString();
    return renderPlain(mantissa) + m_exponent.letter + sign
        + renderWholeDigits(m_exponent.digits, QString::number(std::abs(exponent)), false);
}

// ---- text patterns ----

// "@" shows a character or a blank, "&" a character or nothing; filled from the right unless
// "!" asks for left to right; "<" and ">" change the case of the whole text.
std::optional<QString> formatText(QString text, const Section& section)
{
    NumberElements elements;
    bool leftToRight = false;
    bool isTextPattern = false;
    for (const Piece& piece : section) {
        const bool placeholder = piece.is(u'@') || piece.is(u'&');
        isTextPattern = isTextPattern || placeholder || piece.is(u'<') || piece.is(u'>') || piece.is(u'!');
        if (piece.is(u'<'))
            text = text.toLower();
        else if (piece.is(u'>'))
            text = text.toUpper();
        else if (piece.is(u'!'))
            leftToRight = true;
        else
            elements.append({placeholder ? piece.text.at(0) : QChar(), placeholder ? QString() : piece.text});
    }
    if (!isTextPattern)
        return std::nullopt;
    // Without placeholders (">" alone) the whole text follows the literals.
    if (placeholderCount(elements) == 0)
        elements.append(NumberElement {QChar(u'&'), QString()});
    const qsizetype placeholders = placeholderCount(elements);
    const qsizetype offset = leftToRight ? 0 : text.size() - placeholders;
    return fillPlaceholders(elements, [&](qsizetype slot, QChar placeholder) {
        const qsizetype index = offset + slot;
        QString shown;
        if (!leftToRight && slot == 0)
            shown += text.left(std::max<qsizetype>(index, 0)); // the characters no placeholder holds
        if (index >= 0 && index < text.size())
            shown += text.at(index);
        else if (placeholder == u'@')
            shown += u' ';
        if (leftToRight && slot == placeholders - 1)
            shown += text.mid(index + 1);
        return shown;
    });
}

// ---- choosing how a value is shown ----

DecimalNumber decimalOf(const Variant& value)
{
    switch (value.kind()) {
    case Variant::Kind::Currency:
        return DecimalNumber::fromCurrency(value.currencyValue());
    case Variant::Kind::Single:
        return DecimalNumber::fromDouble(value.singleValue(), 7);
    default:
        return DecimalNumber::fromDouble(Conversions::toDouble(value), 15);
    }
}

// A second section shows negative values, a third zero; an empty section falls back to the first.
qsizetype sectionFor(const DecimalNumber& value, const QList<Section>& sections)
{
    const auto usable = [&](qsizetype index) { return index < sections.size() && !sections.at(index).isEmpty(); };
    if (value.isZero() && usable(2))
        return 2;
    if (value.isNegative() && usable(1))
        return 1;
    return 0;
}

QString formatNumber(const DecimalNumber& value, const QList<Section>& sections)
{
    const qsizetype index = sectionFor(value, sections);
    const NumberPattern pattern(sections.at(index));
    const DecimalNumber shown = pattern.shown(value.absolute());
    // Only the first section adds a sign, and not to a value that rounds to zero.
    const bool minus = index == 0 && value.isNegative() && !shown.isZero();
    return (minus ? QStringLiteral("-") : QString()) + pattern.render(shown);
}

QString formatNumberOrDate(const Variant& value, const QList<Section>& sections)
{
    if (isDateSection(sections.first()))
        return formatDate(Conversions::toDate(value), sections.first());
    return formatNumber(decimalOf(value), sections);
}

// A text is shown as the number or the date it stands for, else through a text pattern,
// else unchanged.
QString formatTextValue(const QString& text, const QList<Section>& sections)
{
    if (const auto number = Conversions::parseNumber(text))
        return formatNumberOrDate(Variant(*number), sections);
    if (const auto date = DateValue::parse(text))
        return formatNumberOrDate(Variant::fromDate(*date), sections);
    return formatText(text, sections.first()).value_or(text);
}

} // namespace

QString Format::format(const Variant& value, const QString& pattern)
{
    if (value.isEmpty() || value.isNull())
        return {};
    const QString effective = namedPattern(pattern).value_or(pattern);
    if (effective.isEmpty())
        return Conversions::toText(value);
    const QList<Section> sections = lexSections(effective);
    switch (value.kind()) {
    case Variant::Kind::String:
        return formatTextValue(value.stringValue(), sections);
    case Variant::Kind::Object:
    case Variant::Kind::Array:
        RuntimeErrors::raise(RuntimeErrors::TypeMismatch);
    default:
        return formatNumberOrDate(value, sections);
    }
}
