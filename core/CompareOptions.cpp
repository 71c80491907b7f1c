#include "core/CompareOptions.h"

bool ParseRunFlag(std::string_view arg, RunFlags& flags) {
    if (arg == "--counts") {
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

const std::string_view kRunFlagsHelp =
    "  --ignore-space     前後の空白を無視して比べる\n"
    "  --ignore-width     全角と半角を区別しない\n"
    "  --ignore-kana      ひらがなとカタカナを区別しない\n"
    "  --ignore-case      大文字と小文字を区別しない\n"
    "  --blank-as-empty   空白だけの行を空行とみなす\n"
    "  --keep-empty       空行を残す（重複とはみなさない）\n"
    "  --keep-last        最後の出現を残す\n"
    "  --counts           残した各行の前に、その行が表す行数とタブを書く\n";
