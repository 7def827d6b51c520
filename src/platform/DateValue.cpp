#include "platform/DateValue.h"

#include "platform/Clock.h"
#include "platform/RuntimeErrors.h"

#include <QList>
#include <cmath>

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr qint64 kSecondsPerDay = 86400;
constexpr qint64 kFirstDay = -657434; // 1 January 100
constexpr qint64 kLastDay = 2958465; // 31 December 9999
// Two-digit years below this become 20xx, the others 19xx.
constexpr int kCenturyPivot = 30;

constexpr const char* kMonthNames[12] = {"January", "February", "March", "April", "May", "June", "July", "August",
    "September", "October", "November", "December"};
constexpr const char* kDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

qint64 floorDiv(qint64 value, qint64 divisor)
{
    return value / divisor - ((value % divisor != 0) && ((value < 0) != (divisor < 0)) ? 1 : 0);
}

// Whole days and seconds of the day; the fraction counts forward from midnight on either side
// of day 0. Seconds that round up to a full day move to the next calendar day.
struct DayAndSeconds {
    qint64 days;
    qint64 seconds;
};

DayAndSeconds splitSerial(double serial)
{
    const double whole = std::trunc(serial);
    DayAndSeconds result {qint64(whole), std::llround(std::fabs(serial - whole) * kSecondsPerDay)};
    if (result.seconds >= kSecondsPerDay) {
        ++result.days;
        result.seconds -= kSecondsPerDay;
    }
    return result;
}

double serialOf(qint64 days, qint64 seconds)
{
    const double fraction = double(seconds) / kSecondsPerDay;
    return days < 0 ? double(days) - fraction : double(days) + fraction;
}

// ---- reading dates from text ----

struct Token {
    enum class Type { Number, Word, Separator };
    Type type;
    QString text; // the digits, the word in lower case, or the separator (" " for blanks)

    bool is(Type t) const { return type == t; }
    bool isSeparator(QChar c) const { return type == Type::Separator && text == c; }
};
using Tokens = QList<Token>;

bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

qsizetype runEnd(const QString& text, qsizetype from, bool (*belongs)(QChar))
{
    while (from < text.size() && belongs(text.at(from)))
        ++from;
    return from;
}

std::optional<Tokens> tokenize(const QString& text)
{
    static const QString separators = QStringLiteral("/-.,:");
    Tokens tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (isSpaceOrTab(c)) {
            i = runEnd(text, i, isSpaceOrTab);
            tokens.append({Token::Type::Separator, QStringLiteral(" ")});
        } else if (isAsciiDigit(c)) {
            const qsizetype end = runEnd(text, i, isAsciiDigit);
            tokens.append({Token::Type::Number, text.mid(i, end - i)});
            i = end;
        } else if (isAsciiLetter(c)) {
            const qsizetype end = runEnd(text, i, isAsciiLetter);
            tokens.append({Token::Type::Word, text.mid(i, end - i).toLower()});
            i = end;
        } else if (separators.contains(c)) {
            tokens.append({Token::Type::Separator, QString(c)});
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

// A number of at most `maxDigits` digits, or -1.
int smallNumber(const Token& token, int maxDigits)
{
    if (!token.is(Token::Type::Number) || token.text.size() > maxDigits)
        return -1;
    return token.text.toInt();
}

int monthOfWord(const QString& word)
{
    for (int month = 1; month <= 12; ++month) {
        const QString name = QString::fromLatin1(kMonthNames[month - 1]).toLower();
        if (word == name || word == name.left(3))
            return month;
    }
    return 0;
}

enum class Meridiem { None, Morning, Afternoon };

Meridiem meridiemOfWord(const Token& token)
{
    if (!token.is(Token::Type::Word))
        return Meridiem::None;
    if (token.text == u"am" || token.text == u"a")
        return Meridiem::Morning;
    if (token.text == u"pm" || token.text == u"p")
        return Meridiem::Afternoon;
    return Meridiem::None;
}

// Reads one date text: the time ("hh:nn[:ss]" or "h AM") is taken out first, what remains is
// the date.
class DateTextParser {
public:
    explicit DateTextParser(Tokens tokens)
        : m_tokens(std::move(tokens))
    {
    }

    std::optional<double> parse()
    {
        if (!takeTime())
            return std::nullopt;
        trimBlanks();
        if (m_tokens.isEmpty())
            return m_hasTime ? std::optional<double>(serialOf(0, m_seconds)) : std::nullopt;
        const std::optional<qint64> days = dateDays();
        if (!days)
            return std::nullopt;
        return serialOf(*days, m_seconds);
    }

private:
    struct DateItems {
        QList<Token> items;
        QString separators; // one per gap between items
    };

    const Token* at(qsizetype index) const
    {
        return index >= 0 && index < m_tokens.size() ? &m_tokens.at(index) : nullptr;
    }

    bool separatorAt(qsizetype index, QChar c) const
    {
        const Token* token = at(index);
        return token && token->isSeparator(c);
    }

    // The first token of the time, or -1 when the text has none.
    qsizetype timeStart() const
    {
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            if (separatorAt(i, u':'))
                return i - 1;
        }
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            if (meridiemOfWord(m_tokens.at(i)) != Meridiem::None)
                return separatorAt(i - 1, u' ') ? i - 2 : i - 1;
        }
        return -1;
    }

    bool takeTime()
    {
        const qsizetype start = timeStart();
        if (start == -1)
            return true;
        const Token* hourToken = at(start);
        if (!hourToken)
            return false;
        int fields[3] = {smallNumber(*hourToken, 2), 0, 0};
        qsizetype next = start + 1;
        for (int field = 1; field < 3 && separatorAt(next, u':'); ++field) {
            const Token* token = at(next + 1);
            fields[field] = token ? smallNumber(*token, 2) : -1;
            next += 2;
        }
        const qsizetype meridiemIndex = separatorAt(next, u' ') ? next + 1 : next;
        const Meridiem meridiem = at(meridiemIndex) ? meridiemOfWord(*at(meridiemIndex)) : Meridiem::None;
        if (meridiem != Meridiem::None)
            next = meridiemIndex + 1;
        if (!setTime(fields[0], fields[1], fields[2], meridiem))
            return false;
        // "2024-03-05T13:45": the ISO letter between date and time goes with the time.
        const qsizetype from
            = at(start - 1) && at(start - 1)->is(Token::Type::Word) && at(start - 1)->text == u"t" ? start - 1 : start;
        m_tokens.remove(from, next - from);
        return true;
    }

    bool setTime(int hour, int minute, int second, Meridiem meridiem)
    {
        const int lastHour = meridiem == Meridiem::None ? 23 : 12;
        if (hour < 0 || hour > lastHour || minute < 0 || minute > 59 || second < 0 || second > 59)
            return false;
        if (meridiem != Meridiem::None)
            hour = hour % 12 + (meridiem == Meridiem::Afternoon ? 12 : 0);
        m_hasTime = true;
        m_seconds = hour * 3600 + minute * 60 + second;
        return true;
    }

    void trimBlanks()
    {
        while (!m_tokens.isEmpty() && m_tokens.front().isSeparator(u' '))
            m_tokens.removeFirst();
        while (!m_tokens.isEmpty() && m_tokens.back().isSeparator(u' '))
            m_tokens.removeLast();
    }

    // Items (numbers and words) with the separator between each pair: blanks around a
    // separator are ignored, two separators in a row are not a date.
    std::optional<DateItems> dateItems() const
    {
        DateItems result;
        QChar pending;
        for (const Token& token : m_tokens) {
            if (!token.is(Token::Type::Separator)) {
                if (!result.items.isEmpty())
                    result.separators.append(pending.isNull() ? QChar(u' ') : pending);
                result.items.append(token);
                pending = QChar();
            } else if (!token.isSeparator(u' ')) {
                if (!pending.isNull() || result.items.isEmpty())
                    return std::nullopt;
                pending = token.text.at(0);
            }
        }
        if (!pending.isNull())
            return std::nullopt;
        return result;
    }

    std::optional<qint64> dateDays() const
    {
        const std::optional<DateItems> date = dateItems();
        if (!date || date->items.size() != 3)
            return std::nullopt;
        const auto& items = date->items;
        int wordIndex = -1;
        for (int i = 0; i < 3; ++i) {
            if (items.at(i).is(Token::Type::Word)) {
                if (wordIndex != -1)
                    return std::nullopt;
                wordIndex = i;
            }
        }
        return wordIndex == -1 ? numericDate(*date) : namedMonthDate(*date, wordIndex);
    }

    // "05/03/2024", "5-3-24", "2024.03.05": day first unless the first number is a long year.
    static std::optional<qint64> numericDate(const DateItems& date)
    {
        const QChar separator = date.separators.at(0);
        if (date.separators.at(1) != separator || !QStringView(u"/-.").contains(separator))
            return std::nullopt;
        const auto& items = date.items;
        if (items.at(0).text.size() >= 3)
            return daysOf(items.at(0), smallNumber(items.at(1), 2), items.at(2));
        return daysOf(items.at(2), smallNumber(items.at(1), 2), items.at(0));
    }

    // "5 March 2024", "05-Mar-2024", "March 5, 2024", "2024-Mar-05".
    static std::optional<qint64> namedMonthDate(const DateItems& date, int wordIndex)
    {
        const auto& items = date.items;
        const int month = monthOfWord(items.at(wordIndex).text);
        if (month == 0 || wordIndex == 2)
            return std::nullopt;
        if (wordIndex == 0)
            return daysOf(items.at(2), month, items.at(1));
        if (items.at(0).text.size() >= 3)
            return daysOf(items.at(0), month, items.at(2));
        return daysOf(items.at(2), month, items.at(0));
    }

    static std::optional<qint64> daysOf(const Token& yearToken, int month, const Token& dayToken)
    {
        int year = smallNumber(yearToken, 4);
        if (year >= 0 && yearToken.text.size() <= 2)
            year += year < kCenturyPivot ? 2000 : 1900;
        const int day = smallNumber(dayToken, 2);
        if (year < 100 || !QDate::isValid(year, month, day))
            return std::nullopt;
        return kEpoch.daysTo(QDate(year, month, day));
    }

    Tokens m_tokens;
    bool m_hasTime = false;
    qint64 m_seconds = 0;
};

} // namespace

double DateValue::fromParts(int year, int month, int day, int hour, int minute, int second)
{
    const qint64 monthCount = qint64(year) * 12 + (month - 1);
    const qint64 wholeYear = floorDiv(monthCount, 12);
    const QDate first(int(wholeYear), int(monthCount - wholeYear * 12) + 1, 1);
    const qint64 seconds = qint64(hour) * 3600 + qint64(minute) * 60 + second;
    const qint64 days = kEpoch.daysTo(first) + (day - 1) + floorDiv(seconds, kSecondsPerDay);
    return serialOf(days, seconds - floorDiv(seconds, kSecondsPerDay) * kSecondsPerDay);
}

double DateValue::fromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return 0.0;
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    return fromParts(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second());
}

QDateTime DateValue::toDateTime(double serial)
{
    const DayAndSeconds split = splitSerial(serial);
    return QDateTime(kEpoch.addDays(split.days), QTime::fromMSecsSinceStartOfDay(int(split.seconds * 1000)));
}

double DateValue::now()
{
    return fromDateTime(Clock::now());
}

bool DateValue::isInRange(double serial)
{
    if (!std::isfinite(serial) || serial <= double(kFirstDay - 1) || serial >= double(kLastDay + 1))
        return false;
    const qint64 days = splitSerial(serial).days;
    return days >= kFirstDay && days <= kLastDay;
}

DateValue::Parts DateValue::split(double serial)
{
    if (!isInRange(serial))
        RuntimeErrors::raise(RuntimeErrors::Overflow);
    const DayAndSeconds whole = splitSerial(serial);
    const QDate date = kEpoch.addDays(whole.days);
    Parts parts;
    parts.year = date.year();
    parts.month = date.month();
    parts.day = date.day();
    parts.hour = int(whole.seconds / 3600);
    parts.minute = int(whole.seconds / 60 % 60);
    parts.second = int(whole.seconds % 60);
    parts.dayOfWeek = date.dayOfWeek() % 7 + 1;
    parts.dayOfYear = date.dayOfYear();
    return parts;
}

QString DateValue::monthName(int month, bool abbreviated)
{
    if (month < 1 || month > 12)
        return {};
    const QString name = QString::fromLatin1(kMonthNames[month - 1]);
    return abbreviated ? name.left(3) : name;
}

QString DateValue::dayName(int dayOfWeek, bool abbreviated)
{
    if (dayOfWeek < 1 || dayOfWeek > 7)
        return {};
    const QString name = QString::fromLatin1(kDayNames[dayOfWeek - 1]);
    return abbreviated ? name.left(3) : name;
}

std::optional<double> DateValue::parse(const QString& text)
{
    std::optional<Tokens> tokens = tokenize(text);
    if (!tokens)
        return std::nullopt;
    return DateTextParser(std::move(*tokens)).parse();
}

QString DateValue::dateText(const Parts& parts)
{
    return QStringLiteral("%1/%2/%3")
        .arg(parts.day, 2, 10, QChar(u'0'))
        .arg(parts.month, 2, 10, QChar(u'0'))
        .arg(parts.year, 4, 10, QChar(u'0'));
}

QString DateValue::timeText(const Parts& parts)
{
    return QStringLiteral("%1:%2:%3")
        .arg(parts.hour, 2, 10, QChar(u'0'))
        .arg(parts.minute, 2, 10, QChar(u'0'))
        .arg(parts.second, 2, 10, QChar(u'0'));
}

QString DateValue::toText(double serial)
{
    const Parts parts = split(serial);
    const DayAndSeconds whole = splitSerial(serial);
    if (whole.days == 0)
        return timeText(parts);
    if (whole.seconds == 0)
        return dateText(parts);
    return dateText(parts) + u' ' + timeText(parts);
}
