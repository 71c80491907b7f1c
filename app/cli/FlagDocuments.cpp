#include "app/cli/FlagDocuments.h"

#include "app/cli/Messages.h"
#include "app/cli/ProgramFlags.h"
#include "res/VersionInfo.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <string_view>

namespace {

constexpr const char* kUsage = N_("Usage: tandrel [--output OUT [OPTION]...] [FILE]...");
constexpr const char* kDescription = N_(
    "Removes every repeated line and every empty line of the FILEs, taken in their order and each "
    "read in its own encoding (standard input when FILE is - or absent), keeping the first "
    "occurrence of each line in its order, and writes the result to OUT without opening a window. "
    "Without --output, opens the window with FILE chosen.");
constexpr const char* kOwnHeading = N_("Options:");
constexpr const char* kWindowHeading = N_("Options of the window system, passed on to Qt:");
constexpr const char* kExitStatus = N_("Exit status:");
constexpr std::pair<const char*, const char*> kExitStatuses[] = {
    {"0", N_("done")},
    {"1", N_("a file could not be read or written")},
    {"2", N_("the command line is wrong")},
};
constexpr const char* kEnvironment = N_(
    "The messages follow the locale's language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG). TMPDIR, "
    "unless --temp-dir is given, names the folder for the result meant for standard output, for a "
    "copy of an input that is not a regular file, and for the scratch files of an input larger "
    "than memory.");

// "-h, --help" and "--output OUT", as --help's left column and the manual page's tags show it.
std::string Spelling(const ProgramFlag& flag) {
    std::string text;
    if (!flag.shortName.empty())
        text += std::string(flag.shortName) + ", ";
    text += flag.name;
    if (!flag.valueName.empty())
        text += " " + std::string(flag.valueName);
    return text;
}

// "NAME: ansi, cp932, ..." for a flag whose values are a list; empty otherwise.
std::string Values(const ProgramFlag& flag) {
    return flag.values ? std::string(flag.valueName) + ": " + Joined(flag.values(), ", ") : "";
}

// The columns a UTF-8 character takes on a terminal, from its first byte and the next: the
// characters from U+3000 on (kana, kanji, full-width forms) take two, all others one.
std::size_t Columns(std::string_view character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    return lead >= 0xF0 || (lead >= 0xE3 && lead != 0xEF) ||
                   (lead == 0xEF && static_cast<unsigned char>(character[1]) >= 0xBC)
               ? 2
               : 1;
}

std::size_t CharacterLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// text broken into lines of at most width columns, the lines after the first indented. A line
// breaks at a space, or between two wide characters, but never before a closing mark or a
// small kana.
std::string Wrapped(std::string_view text, std::size_t indent, std::size_t width = 79) {
    constexpr std::string_view kClosing[] = {"、", "。", "）", "」", "，", "：", "ー", "ァ", "ィ",
                                             "ゥ", "ェ", "ォ", "ッ", "ャ", "ュ", "ョ", "ぁ", "ぃ",
                                             "ぅ", "ぇ", "ぉ", "っ", "ゃ", "ゅ", "ょ"};
    std::string wrapped;
    std::size_t used = indent;
    bool space = false;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == ' ') {
            space = true;
            ++at;
            continue;
        }
        // The next piece that may not be broken: an ASCII word, or one wide character, with
        // the closing marks after either.
        std::size_t end = at, columns = 0;
        const bool word = static_cast<unsigned char>(text[at]) < 0x80;
        do {
            const std::size_t length = CharacterLength(static_cast<unsigned char>(text[end]));
            columns += Columns(text.substr(end, length));
            end += length;
        } while (end < text.size() && text[end] != ' ' &&
                 (word ? static_cast<unsigned char>(text[end]) < 0x80
                       : std::any_of(std::begin(kClosing), std::end(kClosing),
                                     [&](std::string_view mark) {
                                         return text.substr(end).starts_with(mark);
                                     })));
        if (used + (space ? 1 : 0) + columns > width && used > indent) {
            wrapped += "\n" + std::string(indent, ' ');
            used = indent;
        } else if (space) {
            wrapped += ' ';
            ++used;
        }
        wrapped += text.substr(at, end - at);
        used += columns;
        space = false;
        at = end;
    }
    return wrapped;
}

bool OwnFlag(const ProgramFlag& flag) {
    return flag.role != FlagRole::kWindowSystem;
}

// A text as man(7) shows it literally: backslashes and hyphens escaped, and a line that starts
// with a period or an apostrophe kept from reading as a request.
std::string Roff(std::string_view text) {
    std::string escaped = text.starts_with('.') || text.starts_with('\'') ? "\\&" : "";
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\e";
        else if (c == '-')
            escaped += "\\-";
        else
            escaped += c;
    }
    return escaped;
}

std::string RoffTag(const ProgramFlag& flag) {
    std::string tag;
    if (!flag.shortName.empty())
        tag += "\\fB" + Roff(flag.shortName) + "\\fR, ";
    tag += "\\fB" + Roff(flag.name) + "\\fR";
    if (!flag.valueName.empty())
        tag += " \\fI" + Roff(flag.valueName) + "\\fR";
    return tag;
}

} // namespace

std::string VersionLine() {
    return std::string(kProductName) + " " + kProductVersion;
}

std::string UsageLine() {
    return Tr(kUsage);
}

std::string HelpText() {
    // Long flags line up whether or not a short one stands before them.
    const auto left = [](const ProgramFlag& flag) {
        return (flag.shortName.empty() && OwnFlag(flag) ? "      " : "  ") + Spelling(flag);
    };
    std::size_t column = 0;
    for (const ProgramFlag& flag : ProgramFlags())
        column = std::max(column, left(flag).size() + 2);
    std::string text =
        VersionLine() + "\n" + UsageLine() + "\n\n" + Wrapped(Tr(kDescription), 0) + "\n";
    for (const bool own : {true, false}) {
        text += "\n" + std::string(Tr(own ? kOwnHeading : kWindowHeading)) + "\n";
        for (const ProgramFlag& flag : ProgramFlags()) {
            if (OwnFlag(flag) != own)
                continue;
            std::string row = left(flag);
            row.resize(column, ' ');
            text += row + Wrapped(Tr(flag.help.data()), column) + "\n";
            if (flag.values)
                text += std::string(column, ' ') + Wrapped(Values(flag), column) + "\n";
        }
    }
    text += "\n" + std::string(Tr(kExitStatus)) + "\n";
    for (const auto& [status, meaning] : kExitStatuses)
        text += "  " + std::string(status) + "  " + Tr(meaning) + "\n";
    text += "\n" + Wrapped(Tr(kEnvironment), 0) + "\n";
    return text;
}

std::string ManualPage() {
    std::string page = ".TH TANDREL 1 \"\" \"" + Roff(VersionLine()) + "\" \"User Commands\"\n";
    page += ".SH NAME\ntandrel \\- remove repeated and empty lines from text files\n";
    page += ".SH SYNOPSIS\n.B tandrel\n\\fB\\-\\-output\\fR \\fIOUT\\fR [\\fIOPTION\\fR]... "
            "[\\fIFILE\\fR]...\n.br\n.B tandrel\n[\\fIFILE\\fR]\n";
    page += ".SH DESCRIPTION\n" + Roff(Tr(kDescription)) + "\n";
    for (const bool own : {true, false}) {
        page += own ? ".SH OPTIONS\n"
                    : ".SH \"WINDOW SYSTEM OPTIONS\"\n" + Roff(Tr(kWindowHeading)) + "\n";
        for (const ProgramFlag& flag : ProgramFlags())
            if (OwnFlag(flag) == own)
                page += ".TP\n" + RoffTag(flag) + "\n" + Roff(Tr(flag.help.data())) + "\n" +
                        (flag.values ? ".br\n" + Roff(Values(flag)) + "\n" : "");
    }
    page += ".SH \"EXIT STATUS\"\n";
    for (const auto& [code, meaning] : kExitStatuses)
        page += ".TP\n" + std::string(code) + "\n" + Roff(Tr(meaning)) + "\n";
    page += ".SH ENVIRONMENT\n" + Roff(Tr(kEnvironment)) + "\n";
    page += ".SH \"SEE ALSO\"\n.BR uniq (1),\n.BR sort (1)\n";
    return page;
}

std::string BashCompletion() {
    std::vector<std::string_view> flags;
    std::string valueCases;
    for (const ProgramFlag& flag : ProgramFlags()) {
        if (!flag.shortName.empty())
            flags.push_back(flag.shortName);
        flags.push_back(flag.name);
        if (flag.valueName.empty())
            continue;
        valueCases += "    " + std::string(flag.name) + ")\n        ";
        if (flag.values)
            valueCases +=
                "COMPREPLY=($(compgen -W '" + Joined(flag.values(), " ") + "' -- \"$cur\"))";
        else if (flag.valueIsFile)
            valueCases += "COMPREPLY=($(compgen -f -- \"$cur\"))";
        else
            valueCases += "COMPREPLY=()";
        valueCases += "\n        return ;;\n";
    }
    return "# bash completion for tandrel, made from its flag table when it was built\n"
           "_tandrel() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    # bash splits --flag=value into --flag, = and value\n"
           "    if [[ $cur == = ]]; then\n"
           "        cur=\n"
           "    elif [[ $prev == = ]]; then\n"
           "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
           "    fi\n"
           "    case $prev in\n" +
           valueCases +
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        COMPREPLY=($(compgen -W '" +
           Joined(flags, " ") +
           "' -- \"$cur\"))\n"
           "    else\n"
           "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
           "    fi\n"
           "}\n"
           "complete -o filenames -F _tandrel tandrel\n";
}
