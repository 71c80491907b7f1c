// What a job did, as --stats says it in the user's language (Messages.h): English, and under
// the Japanese catalogue the window's words for it (RunSummary.h).
#pragma once

#include "core/document/RunSummary.h"

#include <string>

// How many lines went in and came out, and why the others went. UTF-8.
std::string RunCountsWords(const RunCounts& counts);

// That line ends of a CR alone were not taken as line breaks.
std::string LoneCrWords();
