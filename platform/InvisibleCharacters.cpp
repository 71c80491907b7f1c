#include "platform/InvisibleCharacters.h"

#include <QString>
#include <Qsci/qsciscintilla.h>

namespace {

struct Invisible {
    char16_t c;
    const char* name; // Unicode's abbreviation where it has one
};

// U+2028 and U+2029 are missing: the editor always names them (LS, PS).
constexpr Invisible kInvisibles[] = {
    {0x00A0, "NBSP"},  {0x2000, "NQSP"},  {0x2001, "MQSP"},  {0x2002, "ENSP"}, {0x2003, "EMSP"},
    {0x2004, "3/MSP"}, {0x2005, "4/MSP"}, {0x2006, "6/MSP"}, {0x2007, "FSP"},  {0x2008, "PSP"},
    {0x2009, "THSP"},  {0x200A, "HSP"},   {0x200B, "ZWSP"},  {0x200C, "ZWNJ"}, {0x200D, "ZWJ"},
    {0x200E, "LRM"},   {0x200F, "RLM"},   {0x202A, "LRE"},   {0x202B, "RLE"},  {0x202C, "PDF"},
    {0x202D, "LRO"},   {0x202E, "RLO"},   {0x202F, "NNBSP"}, {0x205F, "MMSP"}, {0x2060, "WJ"},
    {0x2061, "FA"},    {0x2062, "IT"},    {0x2063, "IS"},    {0x2064, "IP"},   {0x3000, "IDSP"},
    {0xFEFF, "BOM"},
};

} // namespace

void ShowInvisibleCharacters(QsciScintilla& editor, bool bShow) {
    for (const Invisible& invisible : kInvisibles) {
        const QByteArray utf8 = QString(QChar(invisible.c)).toUtf8();
        if (bShow)
            editor.SendScintilla(QsciScintilla::SCI_SETREPRESENTATION, utf8.constData(),
                                 invisible.name);
        else
            // The character goes in the first parameter, as in the message above.
            editor.SendScintilla(QsciScintilla::SCI_CLEARREPRESENTATION, utf8.constData(),
                                 static_cast<const char*>(nullptr));
    }
}
