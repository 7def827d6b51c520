#include "support/XmlReaderTables.h"

namespace {

std::unique_ptr<XmlReaderTables>& spare()
{
    thread_local std::unique_ptr<XmlReaderTables> tables;
    return tables;
}

} // namespace

std::unique_ptr<XmlReaderTables> XmlReaderTables::take()
{
    std::unique_ptr<XmlReaderTables>& kept = spare();
    return kept ? std::move(kept) : std::make_unique<XmlReaderTables>();
}

void XmlReaderTables::giveBack(std::unique_ptr<XmlReaderTables> tables)
{
    if (!tables || tables->names.keptCharacters() + tables->attributes.keptCharacters() > kMostKeptCharacters)
        return;
    std::unique_ptr<XmlReaderTables>& kept = spare();
    if (!kept)
        kept = std::move(tables);
}
