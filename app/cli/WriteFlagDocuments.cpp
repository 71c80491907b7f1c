// Writes what the build makes from the flag table to standard output; for the tests, also the
// table itself, a row a line: its names, a tab, its English help.
//   tandrel_write_flag_documents man|bash-completion|flags
#include "app/cli/FlagDocuments.h"
#include "app/cli/ProgramFlags.h"

#include <cstdio>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
    const std::string_view what = argc == 2 ? argv[1] : "";
    std::string text;
    if (what == "man")
        text = ManualPage();
    else if (what == "bash-completion")
        text = BashCompletion();
    else if (what == "flags") {
        for (const ProgramFlag& flag : ProgramFlags())
            text += std::string(flag.shortName) + (flag.shortName.empty() ? "" : " ") +
                    std::string(flag.name) + "\t" + std::string(flag.help) + "\n";
    } else {
        std::fprintf(stderr, "usage: %s man|bash-completion|flags\n", argv[0]);
        return 2;
    }
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
