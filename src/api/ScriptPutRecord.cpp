#include "api/ScriptPutRecord.h"

#include "services/Trace.h"
#include "config/clsINIFile.h"
#include "platform/FileReplacer.h"
#include "platform/ProgramFolders.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// A script is a line of steps; a record longer than any INI value is no record of ours.
constexpr qint64 kRecordLimit = 64 * 1024;

QString recorded()
{
    QFile file(ScriptPutRecord::fileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(kRecordLimit + 1);
    return bytes.size() > kRecordLimit ? QString() : QString::fromUtf8(bytes);
}

} // namespace

QString ScriptPutRecord::fileName()
{
    return QDir(ProgramFolders::data()).filePath(u"simulator-script.put"_s);
}

void ScriptPutRecord::remember(const QString& script)
{
    QDir().mkpath(ProgramFolders::data());
    FileReplacer::replaceFile(fileName(), script.toUtf8());
}

void ScriptPutRecord::forget(const QString& script)
{
    if (recorded() == script)
        QFile::remove(fileName());
}

void ScriptPutRecord::eraseLeftover(clsINIFile& ini)
{
    if (!QFile::exists(fileName()))
        return;
    const QString script = recorded();
    if (!script.isEmpty() && ini.GetString(ScriptPutRecord::kSection, ScriptPutRecord::kKey) == script) {
        ini.EraseKey(ScriptPutRecord::kSection, ScriptPutRecord::kKey);
        Trace::write(u"Scripted customer erased: the API object that put it ended with pcQUIBA"_s, Trace::WarningSeverity);
    }
    QFile::remove(fileName());
}
