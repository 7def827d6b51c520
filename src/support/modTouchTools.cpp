#include "support/modTouchTools.h"

#include "platform/Blanks.h"
#include "platform/Conversions.h"
#include "platform/EventRelay.h"
#include "platform/FormRegistry.h"
#include "platform/RegistryFile.h"
#include "platform/RegistryReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar kFolderSeparator = u'/';
constexpr char16_t kFirstWordCode = 33;

const QStringList& trueWords()
{
    static const QStringList words{u"TRUE"_s, u"T"_s, u"YES"_s, u"Y"_s, u"ON"_s};
    return words;
}

qsizetype skipSpacing(const QString& text, qsizetype position)
{
    while (position < text.size() && text[position].unicode() < kFirstWordCode)
        ++position;
    return position;
}

qsizetype skipWord(const QString& text, qsizetype position)
{
    while (position < text.size() && text[position].unicode() >= kFirstWordCode)
        ++position;
    return position;
}

bool sameText(QStringView first, QStringView second, bool ignoreCase)
{
    return ignoreCase ? first.toString().toLower() == second.toString().toLower() : first == second;
}

} // namespace

QString modTouchTools::unsupportedValueTypeText()
{
    return RegistryReader::unsupportedValueTypeText();
}

bool modTouchTools::IsTrueText(const Variant& value)
{
    if (value.isNull() || value.isObject() || value.isArray())
        return false;
    if (Conversions::isNumeric(value))
        return Conversions::toDouble(value) != 0.0;
    return trueWords().contains(Blanks::trim(Conversions::toText(value)).toUpper());
}

QString modTouchTools::QuoteText(const Variant& value, const QString& quote)
{
    const QString text = value.isNull() ? u"Null"_s : Conversions::toText(value);
    if (quote.isEmpty())
        return text;
    return quote + QString(text).replace(quote, quote + quote) + quote;
}

bool modTouchTools::CreateFolderPath(const QString& path)
{
    QString folder = path;
    if (folder.size() > 1 && folder.endsWith(kFolderSeparator))
        folder.chop(1);
    const QFileInfo info(folder);
    if (info.exists())
        return info.isDir();
    const QString parent = ParentFolderName(folder);
    if (parent.isEmpty() || !CreateFolderPath(parent))
        return false;
    QDir().mkdir(folder);
    return QFileInfo(folder).isDir();
}

QString modTouchTools::ParentFolderName(const QString& path)
{
    const qsizetype separator = path.lastIndexOf(kFolderSeparator);
    if (separator < 0)
        return {};
    return separator == 0 ? QString(kFolderSeparator) : path.left(separator);
}

VariantArray modTouchTools::FlattenArray(const VariantArray& array)
{
    // An explicit stack, so that no nesting depth can exhaust the call stack.
    VariantArray flat;
    QList<std::pair<VariantArray, qsizetype>> pending{{array, 0}};
    while (!pending.isEmpty()) {
        auto& [current, next] = pending.last();
        if (next == current.size()) {
            pending.removeLast();
            continue;
        }
        const Variant element = current.at(next++);
        if (element.isArray())
            pending.append({element.arrayValue(), 0});
        else
            flat.append(element);
    }
    return flat;
}

QString modTouchTools::FirstWord(const QString& text)
{
    const qsizetype start = skipSpacing(text, 0);
    return text.mid(start, skipWord(text, start) - start);
}

QString modTouchTools::AfterFirstWord(const QString& text)
{
    const qsizetype second = skipSpacing(text, skipWord(text, skipSpacing(text, 0)));
    return text.mid(second);
}

quint32 modTouchTools::RegistryRootKey(const QString& name)
{
    const QString root = Blanks::trim(name).toUpper();
    if (root == u"HKCR"_s)
        return RegistryFile::ClassesRoot;
    // The registry's own lookup ignores case; here the upper-cased name must match exactly.
    const std::optional<quint32> handle = RegistryFile::rootHandle(root);
    return handle && RegistryFile::rootName(*handle) == root ? *handle : 0;
}

Variant modTouchTools::ReadRegistryValue(quint32 root, const QString& keyPath, const QString& valueName,
                                         const Variant& defaultValue)
{
    return RegistryReader::readValue(root, keyPath, valueName, defaultValue);
}

bool modTouchTools::EndsWithText(const QString& text, const QString& ending, bool ignoreCase)
{
    return text.size() >= ending.size() && sameText(QStringView(text).last(ending.size()), ending, ignoreCase);
}

bool modTouchTools::StartsWithText(const QString& text, const QString& beginning, bool ignoreCase)
{
    return text.size() >= beginning.size() && sameText(QStringView(text).first(beginning.size()), beginning, ignoreCase);
}

QString modTouchTools::MapCharacters(const QString& value, const QString& pattern, const QString& alphabet)
{
    QString mapped;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const qsizetype p = alphabet.indexOf(pattern[i], 0, Qt::CaseSensitive) + 1;
        if (p == 0)
            mapped.append(pattern[i]);
        else
            mapped.append(value.mid(p == alphabet.size() ? i : p - 1, 1));
    }
    return mapped;
}

QString modTouchTools::CutAtNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

bool modTouchTools::IsFormLoaded(const QString& formName)
{
    return FormRegistry::isLoaded(formName);
}

void modTouchTools::PostClick(QWidget* control, std::function<void()> prepare)
{
    if (!control)
        return;
    // Clicked once no event relay is under way, so a deferred action started from inside an
    // event never nests in that event's wait.
    EventRelay::defer([target = QPointer<QWidget>(control), prepare = std::move(prepare)] {
        if (!target)
            return;
        if (prepare)
            prepare();
        // The press lands inside the control, as a click on its face would.
        const QPointF position = QRectF(target->rect()).center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            if (!target)
                return;
            const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            QMouseEvent click(type, position, target->mapToGlobal(position), Qt::LeftButton, held, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &click);
        }
    });
}
