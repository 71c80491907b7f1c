#include "core/document/DocumentState.h"

int g_nEncoding = 0;
int g_nError = 0;
int g_nLineCount = 0;

LineList g_vFileLines;
LineList g_vTextLines;
LineList g_vResultLines;
LineList g_vWorkLines;
