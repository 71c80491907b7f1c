// The encoding guess against uchardet, Python's chardet and ICU's detector on a corpus written by
// bench/guess/make-corpus.py: right / refused / wrong, in percent, for each encoding, variant and
// size bucket, and over all files.
//   tandrel_guess_bench CORPUS [--wrong]
// --wrong lists the files the guess got wrong, with what it said. Ours counts a close guess
// (one that leaves another encoding open) as refused, since the command line refuses it.
#include "core/encoding/EncodingChoices.h"
#include "core/encoding/EncodingGuess.h"

#include <unicode/ucsdet.h>
#ifdef HAVE_UCHARDET
#include <uchardet/uchardet.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

enum Verdict { kRight, kRefused, kWrong };

struct Tally {
    int counts[3] = {};
    void Add(Verdict v) { ++counts[v]; }
    int Total() const { return counts[0] + counts[1] + counts[2]; }
    std::string Text() const {
        if (Total() == 0)
            return "-";
        char text[64];
        std::snprintf(text, sizeof text, "%.1f/%.1f/%.1f", 100.0 * counts[0] / Total(),
                      100.0 * counts[1] / Total(), 100.0 * counts[2] / Total());
        return text;
    }
};

// The encoding a detector's name means, for a file with these bytes: -1 for none.
int EncodingNamed(std::string name, const std::string& bytes) {
    std::string plain;
    for (const char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            plain += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (plain.empty())
        return -1;
    if (plain == "SHIFTJIS" || plain == "CP932" || plain == "WINDOWS31J" || plain == "MS932")
        return static_cast<int>(kAnsiChoice);
    if (plain == "EUCJP")
        return static_cast<int>(kEucJpChoice);
    if (plain == "UTF8" || plain == "UTF8SIG")
        return static_cast<int>(bytes.starts_with("\xEF\xBB\xBF") ? kUtf8Choice
                                                                  : kUtf8NoMarkChoice);
    if (plain == "UTF16" || plain == "UTF16LE")
        return static_cast<int>(kUtf16LEChoice);
    return 100; // an encoding the program does not read: wrong
}

int ExpectedEncoding(const std::string& label) {
    if (label == "utf-16le-nobom")
        return static_cast<int>(kUtf16LEChoice);
    const EncodingChoice* choice = FindEncodingNamed(label);
    return choice ? choice->value : -2;
}

Verdict Judge(int said, int expected) {
    return said < 0 ? kRefused : said == expected ? kRight : kWrong;
}

std::string Icu(const std::string& bytes) {
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector* detector = ucsdet_open(&status);
    ucsdet_setText(detector, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    const UCharsetMatch* match = ucsdet_detect(detector, &status);
    std::string name = match && U_SUCCESS(status) ? ucsdet_getName(match, &status) : "";
    ucsdet_close(detector);
    return U_SUCCESS(status) ? name : "";
}

#ifdef HAVE_UCHARDET
std::string Uchardet(const std::string& bytes) {
    uchardet_t detector = uchardet_new();
    uchardet_handle_data(detector, bytes.data(), bytes.size());
    uchardet_data_end(detector);
    std::string name = uchardet_get_charset(detector);
    uchardet_delete(detector);
    return name;
}
#endif

// chardet's verdicts on the files, in order; empty when Python's chardet is not there.
std::vector<std::string> Chardet(const std::vector<fs::path>& files) {
    const fs::path list = fs::temp_directory_path() / ("tandrel-guess-bench-" + std::to_string(getpid()));
    {
        std::ofstream out(list);
        for (const fs::path& file : files)
            out << file.string() << '\n';
    }
    std::vector<std::string> verdicts;
    const std::string command = CHARDET_VERDICTS " < " + list.string();
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, pipe)) {
            std::string verdict(line);
            verdict.erase(verdict.find_last_not_of('\n') + 1);
            verdicts.push_back(verdict == "-" ? "" : verdict);
        }
        pclose(pipe);
    }
    fs::remove(list);
    if (verdicts.size() != files.size())
        verdicts.clear();
    return verdicts;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS [--wrong]\n", argv[0]);
        return 2;
    }
    const bool listWrong = argc > 2 && std::string(argv[2]) == "--wrong";
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(argv[1]))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    std::vector<std::string> detectors = {"Tandrel", "ICU"};
#ifdef HAVE_UCHARDET
    detectors.push_back("uchardet");
#endif
    const std::vector<std::string> chardet = Chardet(files);
    if (!chardet.empty())
        detectors.push_back("chardet");

    // Tallies by [encoding/variant][bucket][detector], and by [variant][detector] over all.
    std::map<std::string, std::map<std::string, std::map<std::string, Tally>>> cells;
    std::map<std::string, std::map<std::string, Tally>> overall;
    std::vector<std::string> buckets;
    struct Ours {
        std::string bucket;
        int expected, encoding;
        long long margin;
    };
    std::vector<Ours> ours; // for the sweep of the closeness threshold
    for (std::size_t n = 0; n < files.size(); ++n) {
        const fs::path& file = files[n];
        const std::string bucket = file.parent_path().filename();
        const std::string variant = file.parent_path().parent_path().filename();
        const std::string label = file.parent_path().parent_path().parent_path().filename();
        const int expected = ExpectedEncoding(label);
        if (expected == -2)
            continue;
        if (std::find(buckets.begin(), buckets.end(), bucket) == buckets.end())
            buckets.push_back(bucket);
        std::ifstream in(file, std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(in), {});

        const EncodingGuess guess = GuessEncoding(bytes);
        std::map<std::string, Verdict> verdicts;
        verdicts["Tandrel"] = Judge(guess.Close() ? -1 : guess.encoding, expected);
        if (listWrong && (guess.encoding != expected || guess.Close()))
            std::printf("%s: %s said %d, by %lld bits\n",
                        verdicts["Tandrel"] == kWrong ? "wrong" : "close", file.c_str(),
                        guess.encoding, guess.marginBits);
        ours.push_back({bucket, expected, guess.encoding, guess.marginBits});
        verdicts["ICU"] = Judge(EncodingNamed(Icu(bytes), bytes), expected);
#ifdef HAVE_UCHARDET
        verdicts["uchardet"] = Judge(EncodingNamed(Uchardet(bytes), bytes), expected);
#endif
        if (!chardet.empty())
            verdicts["chardet"] = Judge(EncodingNamed(chardet[n], bytes), expected);
        for (const auto& [detector, verdict] : verdicts) {
            cells[label + " " + variant][bucket][detector].Add(verdict);
            overall[variant][detector].Add(verdict);
            overall["all"][detector].Add(verdict);
        }
    }
    std::sort(buckets.begin(), buckets.end(), [](const std::string& a, const std::string& b) {
        return std::stoi(a) < std::stoi(b);
    });

    std::printf("right/refused/wrong %% in %zu files\n%-35s", files.size(), "");
    for (const std::string& bucket : buckets)
        std::printf(" %-16s", (bucket + " B").c_str());
    std::printf("\n");
    for (const auto& [cell, byBucket] : cells)
        for (const std::string& detector : detectors) {
            std::printf("%-26s %-8s", detector == detectors.front() ? cell.c_str() : "",
                        detector.c_str());
            for (const std::string& bucket : buckets) {
                const auto found = byBucket.find(bucket);
                std::printf(" %-16s", found == byBucket.end()
                                          ? "-"
                                          : found->second.at(detector).Text().c_str());
            }
            std::printf("\n");
        }
    std::printf("\n%-35s %-16s %-16s %-16s\n", "", "normal", "half-width", "all");
    for (const std::string& detector : detectors)
        std::printf("%-35s %-16s %-16s %-16s\n", detector.c_str(),
                    overall["normal"][detector].Text().c_str(),
                    overall["half-width"][detector].Text().c_str(),
                    overall["all"][detector].Text().c_str());

    // What other thresholds of closeness would give: refused / wrong % by bucket.
    std::printf("\nclose below N bits: right/refused/wrong %% of Tandrel\n%-8s", "N");
    for (const std::string& bucket : buckets)
        std::printf(" %-16s", (bucket + " B").c_str());
    std::printf("\n");
    for (const long long bits : {0, 4, 8, 12, 16, 20, 24, 28, 32, 40}) {
        std::printf("%-8lld", bits);
        for (const std::string& bucket : buckets) {
            Tally tally;
            for (const Ours& o : ours)
                if (o.bucket == bucket)
                    tally.Add(Judge(o.margin < bits ? -1 : o.encoding, o.expected));
            std::printf(" %-16s", tally.Text().c_str());
        }
        std::printf("\n");
    }
    return 0;
}
