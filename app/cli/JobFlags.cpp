#include "app/cli/JobFlags.h"

#include "core/encoding/EncodingChoices.h"
#include "core/partition/MemoryBudget.h"

#include <vector>

namespace {
// An encoding's name on the command line, or -1.
int EncodingNamed(std::string_view name) {
    const EncodingChoice* choice = FindEncodingNamed(name);
    return choice ? choice->value : -1;
}

struct FlagRule {
    JobFlag flag;
    bool (*apply)(JobOptions& options, std::string_view value); // false: the value is wrong
};

constexpr FlagRule kFlagRules[] = {
    {{"--output", "OUT",
      "結果を書くファイル（- は標準出力）。これがあるとウィンドウを開かずに処理して終わります"},
     [](JobOptions& o, std::string_view v) {
         o.output.emplace(v);
         return !v.empty();
     }},
    {{"--encoding", "NAME",
      "入力の文字コード: ansi (cp932), utf-8, utf-8-nobom, utf-16le, euc-jp, auto（既定: auto）"},
     [](JobOptions& o, std::string_view v) {
         o.inputEncoding = v == "auto" ? -1 : EncodingNamed(v);
         return v == "auto" || o.inputEncoding >= 0;
     }},
    {{"--output-encoding", "NAME", "出力の文字コード（auto を除く同じ名前。既定: 入力と同じ）"},
     [](JobOptions& o, std::string_view v) { return (o.outputEncoding = EncodingNamed(v)) >= 0; }},
    {{"--line-end", "crlf|lf|keep", "出力の改行コード（keep: 入力の多数派。既定: crlf）"},
     [](JobOptions& o, std::string_view v) {
         const std::optional<LineEndChoice> choice = LineEndFlagged(v);
         o.lineEnd = choice.value_or(LineEndChoice::kCrLf);
         return choice.has_value();
     }},
    {{"--memory", "SIZE",
      "使うメモリの上限（512M、4G など）。入りきらない入力は一時ファイルを使って処理します"},
     [](JobOptions& o, std::string_view v) { return (o.memory = ParseMemorySize(v)).has_value(); }},
    {{"--temp-dir", "DIR", "一時ファイルを置くフォルダー（既定: TMPDIR、なければ /tmp）"},
     [](JobOptions& o, std::string_view v) {
         o.temporaryFolder.emplace(v);
         return !v.empty();
     }},
    {{"--stats", "", "行数の集計を標準エラーに表示します"},
     [](JobOptions& o, std::string_view) { return o.stats = true; }},
    {{"--help", "", "この説明を表示します"},
     [](JobOptions& o, std::string_view) { return o.help = true; }},
    {{"--version", "", "バージョンを表示します"},
     [](JobOptions& o, std::string_view) { return o.version = true; }},
};

} // namespace

std::optional<std::string> ParseJobFlags(int argc, char** argv, JobOptions& options) {
    bool flagsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (flagsEnded || argument == "-" || !argument.starts_with("--")) {
            if (options.input)
                return "入力ファイルは一つだけ指定できます: " + std::string(argument);
            options.input.emplace(argument);
            continue;
        }
        if (argument == "--") {
            flagsEnded = true;
            continue;
        }
        if (ParseRunFlag(argument, options.run))
            continue;
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const FlagRule* rule = nullptr;
        for (const FlagRule& candidate : kFlagRules)
            if (candidate.flag.name == name)
                rule = &candidate;
        if (rule == nullptr)
            return "知らないオプションです: " + std::string(argument);
        std::string_view value;
        if (!rule->flag.valueName.empty()) {
            if (equals != std::string_view::npos)
                value = argument.substr(equals + 1);
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return std::string(name) + " には値が必要です（" +
                       std::string(rule->flag.valueName) + "）";
        } else if (equals != std::string_view::npos) {
            return std::string(name) + " は値を取りません";
        }
        if (!rule->apply(options, value))
            return std::string(name) + " の値が正しくありません: " + std::string(value);
    }
    if (!options.help && !options.version && !options.output)
        return "--output で出力ファイルを指定して下さい";
    return std::nullopt;
}
std::string JobHelpText() {
    std::string text =
        "使い方: tandrel --output 出力ファイル [オプション] [入力ファイル]\n"
        "        tandrel [ファイル]\n\n"
        "入力ファイル（省略または - で標準入力）の重複行と空行を除き、各行の最初の一つを"
        "元の順に出力ファイルへ書きます。ファイルだけを指定するとウィンドウを開きます。\n\n";
    for (const FlagRule& rule : kFlagRules) {
        std::string left = "  " + std::string(rule.flag.name);
        if (!rule.flag.valueName.empty())
            left += " " + std::string(rule.flag.valueName);
        text += left + std::string(left.size() < 32 ? 32 - left.size() : 1, ' ') +
                std::string(rule.flag.help) + "\n";
    }
    const auto line = [&text](std::string_view flag, std::string_view help) {
        const std::string left = "  " + std::string(flag);
        text += left + std::string(left.size() < 32 ? 32 - left.size() : 1, ' ') +
                std::string(help) + "\n";
    };
    for (const CompareOptionName& name : kCompareOptionNames)
        line(name.flag, name.help);
    line(kCountsFlag, kCountsHelp);
    text += "\n終了コード: 0 成功、1 読み込みまたは書き込みの失敗、2 コマンドラインの誤り\n";
    return text;
}

std::span<const JobFlag> JobFlags() {
    static const std::vector<JobFlag> flags = [] {
        std::vector<JobFlag> all;
        for (const FlagRule& rule : kFlagRules)
            if (rule.flag.name != "--help" && rule.flag.name != "--version")
                all.push_back(rule.flag);
        // How Run compares belongs to the job too: naming it asks for the job.
        for (const CompareOptionName& name : kCompareOptionNames)
            all.push_back({name.flag, "", name.help});
        all.push_back({kCountsFlag, "", kCountsHelp});
        return all;
    }();
    return flags;
}

bool IsCommandLineJob(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return false;
        for (const JobFlag& flag : JobFlags())
            if (argument == flag.name || argument.starts_with(std::string(flag.name) + "="))
                return true;
    }
    return false;
}
