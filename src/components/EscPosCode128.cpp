#include "components/EscPosCode128.h"

#include <algorithm>

namespace {

constexpr char kSetB = 'B';
constexpr char kSetC = 'C';
// A run of digits in code set B is worth changing to code set C from this length on.
constexpr qsizetype kShortestRunForC = 4;
constexpr int kModulesPerCharacter = 11;
constexpr int kStopModules = 13;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool inSetB(char c)
{
    return c >= 32 && c <= 126;
}

// The number of digits from position on.
qsizetype digitRun(const QByteArray& data, qsizetype position)
{
    qsizetype end = position;
    while (end < data.size() && isDigit(data[end]))
        ++end;
    return end - position;
}

void appendSwitch(QByteArray& out, char set)
{
    out.append(EscPosCode128::kSwitch);
    out.append(set);
}

void appendPairs(QByteArray& out, const QByteArray& data, qsizetype from, qsizetype pairs)
{
    for (qsizetype i = 0; i < pairs; ++i)
        out.append(char((data[from + 2 * i] - '0') * 10 + (data[from + 2 * i + 1] - '0')));
}

void appendSetB(QByteArray& out, char c)
{
    out.append(c);
    if (c == EscPosCode128::kSwitch)
        out.append(c);
}

} // namespace

std::optional<QByteArray> EscPosCode128::encoded(const QByteArray& data)
{
    for (char c : data) {
        if (!inSetB(c))
            return std::nullopt;
    }
    QByteArray out;
    if (data.isEmpty())
        return out;
    out.reserve(data.size() + 8);
    qsizetype i = 0;
    const qsizetype leading = digitRun(data, 0);
    // Start in code set C for data of exactly two digits or beginning with four or more; an odd
    // leading run leaves its last digit to code set B.
    if ((leading == 2 && data.size() == 2) || leading >= kShortestRunForC) {
        appendSwitch(out, kSetC);
        appendPairs(out, data, 0, leading / 2);
        i = leading / 2 * 2;
        if (i < data.size())
            appendSwitch(out, kSetB);
    } else {
        appendSwitch(out, kSetB);
    }
    while (i < data.size()) {
        const qsizetype run = digitRun(data, i);
        if (run < kShortestRunForC) {
            // A short run of digits, or a character of code set B: stays in code set B.
            const qsizetype take = std::max<qsizetype>(run, 1);
            for (qsizetype k = 0; k < take; ++k)
                appendSetB(out, data[i + k]);
            i += take;
            continue;
        }
        // Four or more digits: an odd run keeps its first digit in code set B.
        if (run % 2 != 0) {
            out.append(data[i]);
            ++i;
        }
        appendSwitch(out, kSetC);
        appendPairs(out, data, i, run / 2);
        i += run / 2 * 2;
        if (i < data.size())
            appendSwitch(out, kSetB);
    }
    return out;
}

int EscPosCode128::symbolCharacters(const QByteArray& encoded)
{
    int characters = 0;
    // The first switch is the start character, not a symbol character of the data.
    bool started = false;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == kSwitch && i + 1 < encoded.size() && encoded[i + 1] != kSwitch) {
            ++i;
            if (started)
                ++characters;
            started = true;
            continue;
        }
        if (encoded[i] == kSwitch)
            ++i;
        ++characters;
    }
    return characters;
}

int EscPosCode128::modules(const QByteArray& encoded)
{
    return kModulesPerCharacter * (symbolCharacters(encoded) + 2) + kStopModules;
}
