// The parser over every row of the flag table: how a value is given, refused or forgotten, and
// which flag a mistyped one is taken for. The messages are English here: no catalogue is bound.
#include "app/cli/ProgramFlags.h"

#include <cctype>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

ParsedCommandLine Parse(std::vector<std::string> arguments) {
    const std::vector<std::string_view> views(arguments.begin(), arguments.end());
    return ParseCommandLine(views);
}

// A value the row takes: the last of its list (in upper case, as names are taken in any case),
// a size, or a file name.
std::string ValueFor(const ProgramFlag& flag) {
    if (flag.valueName == "SIZE")
        return "512m";
    if (!flag.values)
        return "x.txt";
    std::string value(flag.values().back());
    for (char& c : value)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return value;
}

std::string Error(const ParsedCommandLine& parsed) {
    return parsed.error.value_or("");
}

} // namespace

TEST(ProgramFlagsTest, EveryValuedFlagTakesItsValueOnceInEitherFormAndNeedsIt) {
    for (const ProgramFlag& flag : ProgramFlags()) {
        if (flag.valueName.empty())
            continue;
        SCOPED_TRACE(std::string(flag.name));
        const std::string name(flag.name), value = ValueFor(flag);
        // A job, whose output is named unless this is the flag that names it.
        const auto job = [&](std::vector<std::string> arguments) {
            if (name != "--output")
                arguments.insert(arguments.begin(), {"--output", "o"});
            return Parse(arguments);
        };
        const auto error = [&](std::vector<std::string> arguments) {
            return Error(job(std::move(arguments)));
        };
        const ParsedCommandLine apart = job({name, value, "in"});
        EXPECT_EQ(Error(apart), "");
        EXPECT_EQ(apart.line.inputs, std::vector<std::string>{"in"});
        EXPECT_NE(error({name, value, name, value}).find("more than once"), std::string::npos);
        // Qt's options have no --name=value form, and take any next argument, as Qt does.
        if (flag.role != FlagRole::kWindowSystem) {
            EXPECT_EQ(error({name + "=" + value}), "");
            EXPECT_NE(error({name, "--stats"}).find("needs a value"), std::string::npos);
        }
        // A value refused names what the flag takes, where that is a list or a form.
        if (flag.values || flag.valueForm) {
            const std::string refused = error({name, "nonsense"});
            EXPECT_NE(refused.find("'nonsense'"), std::string::npos);
            EXPECT_NE(refused.find(flag.valueForm ? flag.valueForm : "; it takes "),
                      std::string::npos);
        }
    }
}

TEST(ProgramFlagsTest, OnlyTheJobsFlagsAskForTheJob) {
    for (const ProgramFlag& flag : ProgramFlags()) {
        SCOPED_TRACE(std::string(flag.name));
        std::vector<std::string> arguments{std::string(flag.name)};
        if (!flag.valueName.empty())
            arguments.push_back(ValueFor(flag));
        arguments.push_back("file.txt");
        const ParsedCommandLine parsed = Parse(arguments);
        EXPECT_EQ(parsed.line.job, flag.role == FlagRole::kJob);
        EXPECT_EQ(parsed.line.inputs, std::vector<std::string>{"file.txt"});
    }
}

// A flag with one letter dropped is a mistake that names the flag meant.
TEST(ProgramFlagsTest, AMistypedFlagNamesTheFlagMeant) {
    for (const ProgramFlag& flag : ProgramFlags()) {
        std::string typed(flag.name);
        typed.erase(typed.size() / 2 + 1, 1);
        SCOPED_TRACE(typed);
        const std::string error = Error(Parse({typed}));
        EXPECT_NE(error.find("'" + typed + "'"), std::string::npos) << error;
        EXPECT_TRUE(error.ends_with("did you mean " + std::string(flag.name) + "?")) << error;
    }
    EXPECT_EQ(Error(Parse({"--frobnicate"})), "unknown option '--frobnicate'");
}
