#include "components/EscPosCode128.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int kModulesPerCharacter = 11;
constexpr int kStopModules = 13;
constexpr char kCode128Shift = 'S';
constexpr char kCode128Fnc4 = '4';
constexpr quint8 kCode128Extended = 0x80;

// Where the reading of the symbol stands: the code set and whether a double FNC4 extends every
// character. Code set C is only read unextended: its pairs of digits are never Latin-1.
struct Code128State {
    char set;
    bool extended;
};

// In the order preferred when two choices give symbols of the same length.
constexpr std::array<Code128State, 5> kCode128States{
    {{'C', false}, {'B', false}, {'A', false}, {'B', true}, {'A', true}}};
// Before the start character.
constexpr int kCode128NoState = -1;

// The length of a symbol; of two equally long ones the one whose data takes fewer bytes of
// the command is taken.
struct Code128Cost {
    int characters = 0;
    int bytes = 0;

    auto operator<=>(const Code128Cost&) const = default;
    Code128Cost operator+(const Code128Cost& other) const
    {
        return {characters + other.characters, bytes + other.bytes};
    }
};

// One step over the data in a state: the characters it takes and its cost; no characters when
// the state cannot take the data there.
struct Code128Step {
    qsizetype length = 0;
    Code128Cost cost;
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

quint8 asciiPart(char c)
{
    return quint8(c) & quint8(~kCode128Extended);
}

bool isExtendedLatin1(char c)
{
    return (quint8(c) & kCode128Extended) != 0;
}

// Code set A holds 0x00-0x5F, code set B 0x20-0x7F.
bool inCode128Set(char set, quint8 low)
{
    return set == 'A' ? low < 0x60 : low >= 0x20;
}

Code128Step code128StepAt(const QByteArray& data, qsizetype i, int state)
{
    const Code128State& s = kCode128States[size_t(state)];
    if (s.set == 'C') {
        if (i + 1 < data.size() && isDigit(data[i]) && isDigit(data[i + 1]))
            return {2, {1, 1}};
        return {};
    }
    const quint8 low = asciiPart(data[i]);
    // FNC4 and the shift are two bytes each, "{" as a character too.
    const int escapes = (isExtendedLatin1(data[i]) != s.extended ? 1 : 0) + (inCode128Set(s.set, low) ? 0 : 1);
    return {1, {1 + escapes, 1 + 2 * escapes + (char(low) == EscPosCode128::kSwitch ? 1 : 0)}};
}

// From one state to another before the next character: a change of code set (the start
// character before the first), a double FNC4 where the extension changes.
struct Code128Move {
    bool change;
    bool extend;
};

Code128Move code128Move(int from, int to)
{
    const Code128State& target = kCode128States[size_t(to)];
    if (from == kCode128NoState)
        return {true, target.extended};
    const Code128State& source = kCode128States[size_t(from)];
    return {source.set != target.set, source.extended != target.extended};
}

Code128Cost code128MoveCost(int from, int to)
{
    const Code128Move move = code128Move(from, to);
    // The start character is not counted: every symbol has one.
    const int characters = (move.change && from != kCode128NoState ? 1 : 0) + (move.extend ? 2 : 0);
    return {characters, 2 * characters};
}

struct Code128Choice {
    int state = kCode128NoState;
    Code128Cost cost;
};

// The best state to take the data at i in, coming from a state, with the fewest characters for
// the rest of the data; the state it is in already comes first.
Code128Choice code128BestChoice(const QByteArray& data, qsizetype i, int from,
                         const std::vector<std::array<Code128Cost, kCode128States.size()>>& rest)
{
    Code128Choice best;
    const auto consider = [&](int to) {
        const Code128Step step = code128StepAt(data, i, to);
        if (step.length == 0)
            return;
        const Code128Cost cost = code128MoveCost(from, to) + step.cost + rest[size_t(i + step.length)][size_t(to)];
        if (best.state == kCode128NoState || cost < best.cost)
            best = {to, cost};
    };
    if (from != kCode128NoState)
        consider(from);
    for (int to = 0; to < int(kCode128States.size()); ++to)
        consider(to);
    return best;
}

void appendCode128Fnc4Pair(QByteArray& out)
{
    out.append(EscPosCode128::kSwitch).append(kCode128Fnc4).append(EscPosCode128::kSwitch).append(kCode128Fnc4);
}

// The double FNC4 goes in code set A or B, as code set C has none.
void appendCode128Move(QByteArray& out, int from, int to)
{
    const char set = kCode128States[size_t(to)].set;
    const Code128Move move = code128Move(from, to);
    if (move.extend && set == 'C')
        appendCode128Fnc4Pair(out);
    if (move.change)
        out.append(EscPosCode128::kSwitch).append(set);
    if (move.extend && set != 'C')
        appendCode128Fnc4Pair(out);
}

void appendCode128Step(QByteArray& out, const QByteArray& data, qsizetype i, int state)
{
    const Code128State& s = kCode128States[size_t(state)];
    if (s.set == 'C') {
        out.append(char((data[i] - '0') * 10 + (data[i + 1] - '0')));
        return;
    }
    const quint8 low = asciiPart(data[i]);
    if (isExtendedLatin1(data[i]) != s.extended)
        out.append(EscPosCode128::kSwitch).append(kCode128Fnc4);
    if (!inCode128Set(s.set, low))
        out.append(EscPosCode128::kSwitch).append(kCode128Shift);
    out.append(char(low));
    if (char(low) == EscPosCode128::kSwitch)
        out.append(EscPosCode128::kSwitch);
}

} // namespace

std::optional<QByteArray> EscPosCode128::encodedText(const QString& text)
{
    // Even pairs of digits take a byte each: longer text is not looked at.
    if (text.size() > 2 * kLongestData)
        return std::nullopt;
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
    }
    QByteArray data = encoded(text.toLatin1());
    if (data.size() > kLongestData)
        return std::nullopt;
    return data;
}

QString EscPosCode128::textBelow(const QString& text)
{
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < kCode128Extended; }))
        return {};
    QString shown = text;
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return shown;
}

QByteArray EscPosCode128::encoded(const QByteArray& latin1)
{
    QByteArray out;
    if (latin1.isEmpty())
        return out;
    // rest[i][state]: the cost of the data from i on, read in that state; filled from the end.
    std::vector<std::array<Code128Cost, kCode128States.size()>> rest(size_t(latin1.size()) + 1);
    for (qsizetype i = latin1.size() - 1; i >= 0; --i) {
        for (int state = 0; state < int(kCode128States.size()); ++state)
            rest[size_t(i)][size_t(state)] = code128BestChoice(latin1, i, state, rest).cost;
    }
    out.reserve(latin1.size() + 8);
    int state = kCode128NoState;
    for (qsizetype i = 0; i < latin1.size();) {
        const int next = code128BestChoice(latin1, i, state, rest).state;
        appendCode128Move(out, state, next);
        appendCode128Step(out, latin1, i, next);
        i += code128StepAt(latin1, i, next).length;
        state = next;
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
