// Parses the input as a hand-start command line, both ways of comparing keys, and checks what
// must hold for any text: every key is "/" with at most one letter after it, or "pos" with a
// position from 1 to the largest 16-bit number; without case sensitivity switch letters are
// lower case; and no text makes the parser fail.
#include "app/modMain.h"
#include "platform/Ansi.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool wellFormedKey(const QString& key, bool caseSensitive)
{
    if (key.startsWith(u'/'))
        return key.size() <= 2 && (caseSensitive || key == key.toLower());
    if (!key.startsWith(QStringLiteral("pos")))
        return false;
    bool number = false;
    const int position = key.mid(3).toInt(&number);
    return number && position >= 1 && position <= modMain::kMostPositions;
}

void parse(const QString& text, bool caseSensitive)
{
    const auto switches = modMain::ParseCommandLine(text, caseSensitive);
    for (const QString& key : switches->keys()) {
        if (!wellFormedKey(key, caseSensitive))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        for (const QString& text : {Ansi::toUnicode(bytes), QString::fromUtf8(bytes)}) {
            parse(text, false);
            parse(text, true);
        }
    } catch (...) {
        std::abort();
    }
    return 0;
}
