#pragma once

#include "support/XmlAttributes.h"
#include "support/XmlNameTable.h"

#include <memory>

// The name table and the attribute shapes of one reader. A reader lives for one parse, and a
// program reads one small voucher after another with the same few names and tag shapes: the
// tables of a finished reader are kept for the next reader on the same thread instead of being
// built again for every document.
class XmlReaderTables {
public:
    XmlAttributes attributes;
    XmlNameTable names;

    // The tables the last reader on this thread gave back, or new ones when there are none (a
    // reader made while another one is reading gets tables of its own).
    static std::unique_ptr<XmlReaderTables> take();
    // Keeps the tables for the next reader on this thread, unless they hold so much text that
    // keeping it would cost more memory than building the tables again costs time.
    static void giveBack(std::unique_ptr<XmlReaderTables> tables);

    // Characters of names and values kept beyond this are not kept after the parse.
    static constexpr qsizetype kMostKeptCharacters = 64 * 1024;
};
