#include "core/DocumentState.h"

int g_nEncoding = 0;
int g_nError = 0;
int g_nLineCount = 0;

std::vector<std::u16string> g_vFileLines;
std::vector<std::u16string> g_vTextLines;
std::vector<std::u16string> g_vResultLines;
std::vector<std::u16string> g_vWorkLines;
