#include "app/cli/ProgramFlags.h"

#include "app/cli/Messages.h"
#include "core/encoding/EncodingChoices.h"
#include "core/lines/LineEnd.h"
#include "core/partition/MemoryBudget.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::vector<std::string_view> InputEncodingNames() {
    std::vector<std::string_view> names = EncodingFlagNames();
    names.push_back("auto");
    return names;
}

std::vector<std::string_view> LineEndNames() {
    std::vector<std::string_view> names;
    for (const LineEndChoiceName& choice : kLineEndChoices)
        names.push_back(choice.flagValue);
    return names;
}

// The encoding value a listed name stands for; -1 for auto.
int EncodingNamed(std::string_view name) {
    const EncodingChoice* choice = FindEncodingNamed(name);
    return choice ? choice->value : -1;
}

// The row's value as the list spells it, or empty when the list does not hold it.
std::string_view ListedValue(const ProgramFlag& flag, std::string_view value) {
    for (const std::string_view listed : flag.values())
        if (SameIgnoringCase(listed, value))
            return listed;
    return {};
}

bool SetCompareOption(const ProgramFlag& flag, std::string_view, CommandLine& line) {
    line.compare.*flag.compare = true;
    return true;
}

// The rows of the program's own flags, in the order --help lists them; the comparison flags
// follow them, made from kCompareOptionNames, then Qt's options.
const ProgramFlag kOwnFlags[] = {
    {"--help", "-h", "", FlagRole::kAnswer, N_("show this help and exit"), nullptr, false,
     [](const ProgramFlag&, std::string_view, CommandLine& line) { return line.help = true; }},
    {"--version", "-v", "", FlagRole::kAnswer, N_("show the program's name and version and exit"),
     nullptr, false,
     [](const ProgramFlag&, std::string_view, CommandLine& line) { return line.version = true; }},
    {"--output", "", "OUT", FlagRole::kJob,
     N_("write the result to OUT (- for standard output) and end, without opening the window"),
     nullptr, true,
     [](const ProgramFlag&, std::string_view value, CommandLine& line) {
         line.output.emplace(value);
         return !value.empty();
     }},
    {"--encoding", "", "NAME", FlagRole::kJob,
     N_("the input's encoding; auto (the default) guesses it"), InputEncodingNames, false,
     [](const ProgramFlag&, std::string_view value, CommandLine& line) {
         line.inputEncoding = EncodingNamed(value);
         return true;
     }},
    {"--output-encoding", "", "NAME", FlagRole::kJob,
     N_("the output's encoding (default: the input's)"), EncodingFlagNames, false,
     [](const ProgramFlag&, std::string_view value, CommandLine& line) {
         line.outputEncoding = EncodingNamed(value);
         return true;
     }},
    {"--line-end", "", "END", FlagRole::kJob,
     N_("the output's line ends (default: crlf); keep: those most of the input's lines end in"),
     LineEndNames, false,
     [](const ProgramFlag&, std::string_view value, CommandLine& line) {
         line.lineEnd = LineEndFlagged(value).value_or(LineEndChoice::kCrLf);
         return true;
     }},
    {"--memory", "", "SIZE", FlagRole::kJob,
     N_("the most memory the job may take (512M, 4G, ...); an input that does not fit is run "
        "through scratch files"),
     nullptr, false,
     [](const ProgramFlag&, std::string_view value, CommandLine& line) {
         return (line.memory = ParseMemorySize(value)).has_value();
     },
     nullptr, N_("a number of bytes with K, M, G or T, as in 512M or 4G")},
    {"--temp-dir", "", "DIR", FlagRole::kJob,
     N_("where scratch files go (default: TMPDIR, else /tmp)"), nullptr, true,
     [](const ProgramFlag&, std::string_view value, CommandLine& line) {
         line.temporaryFolder.emplace(value);
         return !value.empty();
     }},
    {"--stats", "", "", FlagRole::kJob, N_("print the line counts on standard error"), nullptr,
     false,
     [](const ProgramFlag&, std::string_view, CommandLine& line) { return line.stats = true; }},
    {"--counts", "", "", FlagRole::kJob,
     N_("write each kept line after the number of input lines it stands for and a tab"), nullptr,
     false,
     [](const ProgramFlag&, std::string_view, CommandLine& line) { return line.counts = true; }},
};

// Qt's own options, which QGuiApplication and QApplication take from the command line: listed so
// that they reach Qt rather than being taken for mistakes or files.
const ProgramFlag kWindowSystemFlags[] = {
    {"-platform", "", "NAME", FlagRole::kWindowSystem,
     N_("the Qt platform plugin (xcb, wayland, ...)")},
    {"-platformtheme", "", "NAME", FlagRole::kWindowSystem, N_("the Qt platform theme")},
    {"-platformpluginpath", "", "PATH", FlagRole::kWindowSystem,
     N_("where Qt looks for platform plugins"), nullptr, true},
    {"-plugin", "", "NAME", FlagRole::kWindowSystem, N_("an extra Qt plugin to load")},
    {"-display", "", "DISPLAY", FlagRole::kWindowSystem, N_("the X display to open")},
    {"-qwindowgeometry", "", "GEOMETRY", FlagRole::kWindowSystem,
     N_("the window's size and place")},
    {"-qwindowtitle", "", "TITLE", FlagRole::kWindowSystem, N_("the window's title")},
    {"-qwindowicon", "", "FILE", FlagRole::kWindowSystem, N_("the window's icon"), nullptr, true},
    {"-style", "", "STYLE", FlagRole::kWindowSystem, N_("the Qt widget style")},
    {"-stylesheet", "", "FILE", FlagRole::kWindowSystem, N_("a Qt style sheet"), nullptr, true},
    {"-session", "", "ID", FlagRole::kWindowSystem, N_("the session to restore")},
    {"-reverse", "", "", FlagRole::kWindowSystem, N_("lay the window out from right to left")},
};

std::vector<ProgramFlag> AllFlags() {
    std::vector<ProgramFlag> flags(std::begin(kOwnFlags), std::end(kOwnFlags));
    // --counts stays last among the job's flags.
    const auto counts = flags.end() - 1;
    std::vector<ProgramFlag> compare;
    for (const CompareOptionName& option : kCompareOptionNames)
        compare.push_back({option.flag, "", "", FlagRole::kJob, option.help, nullptr, false,
                           SetCompareOption, option.member});
    flags.insert(counts, compare.begin(), compare.end());
    flags.insert(flags.end(), std::begin(kWindowSystemFlags), std::end(kWindowSystemFlags));
    return flags;
}

// How many single-character edits (a transposition among them) make one text the other.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The known flag a mistyped one was most likely meant to be, or empty when none is close.
std::string_view NearestFlag(std::string_view typed) {
    std::string_view nearest;
    std::size_t best = 3; // more than two edits is another word
    for (const ProgramFlag& flag : ProgramFlags()) {
        const std::size_t distance = EditDistance(typed, flag.name);
        if (distance < best && distance < flag.name.size() / 2) {
            best = distance;
            nearest = flag.name;
        }
    }
    return nearest;
}

// An argument in quotes, its control characters escaped, so that a message naming it stays
// one line.
std::string Quoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            quoted += c;
            continue;
        }
        constexpr char kDigits[] = "0123456789ABCDEF";
        quoted += "\\x";
        quoted += kDigits[byte >> 4];
        quoted += kDigits[byte & 15];
    }
    return quoted + "'";
}

std::string UnknownFlag(std::string_view argument) {
    const std::string_view name = argument.substr(0, argument.find('='));
    const std::string_view nearest = NearestFlag(name);
    if (nearest.empty())
        return Fill(Tr("unknown option %s"), {Quoted(argument)});
    return Fill(Tr("unknown option %s; did you mean %s?"), {Quoted(argument), nearest});
}

const ProgramFlag* FlagNamed(std::string_view name) {
    for (const ProgramFlag& flag : ProgramFlags()) {
        if (name == flag.name || (!flag.shortName.empty() && name == flag.shortName))
            return &flag;
        // Qt takes its options with two dashes as well.
        if (flag.role == FlagRole::kWindowSystem && name.starts_with("--") &&
            name.substr(1) == flag.name)
            return &flag;
    }
    return nullptr;
}

// Reads one flag at arguments[at], and its value; moves at past what it read.
std::optional<std::string> ReadFlag(std::span<const std::string_view> arguments, std::size_t& at,
                                    std::vector<const ProgramFlag*>& given, CommandLine& line) {
    const std::string_view argument = arguments[at++];
    // --name=value, for the long flags; Qt's single-dash options take no such form.
    const std::size_t equals = argument.starts_with("--") ? argument.find('=') : argument.npos;
    const ProgramFlag* flag = FlagNamed(argument.substr(0, equals));
    if (flag == nullptr)
        return UnknownFlag(argument);
    std::string_view value;
    if (flag->valueName.empty()) {
        if (equals != argument.npos)
            return Fill(Tr("option %s takes no value"), {flag->name});
    } else if (equals != argument.npos) {
        value = argument.substr(equals + 1);
    } else if (at < arguments.size() && (flag->role == FlagRole::kWindowSystem ||
                                         arguments[at] == "-" || !arguments[at].starts_with("-"))) {
        // A flag after a flag is a forgotten value, not a file named like a flag: such a
        // name is given as --output=--name or --output ./--name.
        value = arguments[at++];
    } else {
        return Fill(Tr("option %s needs a value (%s)"), {flag->name, flag->valueName});
    }
    if (!flag->valueName.empty() && std::find(given.begin(), given.end(), flag) != given.end())
        return Fill(Tr("option %s is given more than once"), {flag->name});
    given.push_back(flag);
    if (flag->role == FlagRole::kJob)
        line.job = true;
    if (flag->apply == nullptr)
        return std::nullopt;
    if (flag->values) {
        const std::string_view listed = ListedValue(*flag, value);
        if (listed.empty())
            return Fill(Tr("option %s does not take %s; it takes %s"),
                        {flag->name, Quoted(value), Joined(flag->values(), ", ")});
        value = listed;
    }
    if (!flag->apply(*flag, value, line))
        return flag->valueForm
                   ? Fill(Tr("option %s does not take %s; it takes %s"),
                          {flag->name, Quoted(value), Tr(flag->valueForm)})
                   : Fill(Tr("option %s does not take %s"), {flag->name, Quoted(value)});
    return std::nullopt;
}

} // namespace

std::string Joined(const std::vector<std::string_view>& words, std::string_view separator) {
    std::string text;
    for (const std::string_view word : words)
        text += (text.empty() ? "" : std::string(separator)) + std::string(word);
    return text;
}

std::span<const ProgramFlag> ProgramFlags() {
    static const std::vector<ProgramFlag> flags = AllFlags();
    return flags;
}

ParsedCommandLine ParseCommandLine(std::span<const std::string_view> arguments) {
    ParsedCommandLine parsed;
    CommandLine& line = parsed.line;
    std::vector<const ProgramFlag*> given;
    bool flagsEnded = false;
    for (std::size_t at = 0; at < arguments.size();) {
        const std::string_view argument = arguments[at];
        if (flagsEnded || argument == "-" || !argument.starts_with("-")) {
            line.inputs.emplace_back(argument);
            ++at;
        } else if (argument == "--") {
            flagsEnded = true;
            ++at;
        } else if (std::optional<std::string> error = ReadFlag(arguments, at, given, line)) {
            parsed.error = std::move(error);
            return parsed;
        }
    }
    if (!line.job || line.help || line.version)
        return parsed;
    if (!line.output)
        parsed.error = Fill(Tr("the job needs %s, the file to write the result to"), {"--output"});
    return parsed;
}

ParsedCommandLine ParseCommandLine(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return ParseCommandLine(arguments);
}
