// The string table: texts the program loads by id.
#pragma once

#include <QString>

// The text of string resource nID; empty when the table holds no such string, as
// CString::LoadString leaves its string empty.
QString LoadString(int nID);
