#include "core/compare/CompareOptions.h"

bool ParseRunFlag(std::string_view arg, RunFlags& flags) {
    if (arg == kCountsFlag) {
        flags.counts = true;
        return true;
    }
    for (const CompareOptionName& name : kCompareOptionNames) {
        if (arg == name.flag) {
            flags.compare.*name.member = true;
            return true;
        }
    }
    return false;
}
