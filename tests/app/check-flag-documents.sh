#!/usr/bin/env bash
# Checks that --help (in English and in Japanese), the manual page and the bash completion name
# exactly the flags of the program's flag table, and that the message catalogue translates every
# English text of the command line.
#   check-flag-documents.sh WRITER PROGRAM BUILD_DIR SOURCE_DIR
# WRITER is tandrel_write_flag_documents; PROGRAM the tandrel built beside the catalogues.
set -euo pipefail
writer=$1 program=$2 build=$3 source=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# The table's flags, one a line, sorted.
"$writer" flags | cut -f1 | tr ' ' '\n' | sort -u >"$scratch/table"
# The flags a text names: words that start with one or two dashes and a letter.
flags_in() { grep -oE '(^|[^a-zA-Z0-9-])--?[a-z][a-z0-9-]*' | sed -E 's/^[^-]+//' | sort -u; }

env -u LANGUAGE LC_ALL=C "$program" --help | flags_in >"$scratch/help"
LANGUAGE=ja LC_ALL=C.UTF-8 "$program" --help | flags_in >"$scratch/help-ja"
sed -e 's/\\-/-/g' -e 's/\\f[BIR]//g' "$build/tandrel.1" | flags_in >"$scratch/man"
# The completion offers the flags in its word list, and values after the flags that take them.
words=$(grep -oE "compgen -W '-[^']*'" "$build/completion/tandrel" | sed -E "s/compgen -W '(.*)'/\1/")
tr ' ' '\n' <<<"$words" | sort -u >"$scratch/completion"
for text in help help-ja man completion; do
    diff -u "$scratch/table" "$scratch/$text" >"$scratch/diff" || fail "$text names other flags than the table: $(cat "$scratch/diff")"
done

# The completion is valid bash, and completes what it promises.
complete_words() { # the words offered for the command line "$@", the last word being completed
    bash -c 'source "$1"; shift; COMP_WORDS=(tandrel "$@"); COMP_CWORD=$#; _tandrel; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$build/completion/tandrel" "$@"
}
[ "$(complete_words --line)" = --line-end ] || fail "completion of --line: $(complete_words --line)"
grep -qx euc-jp <<<"$(complete_words --encoding e)" || fail "completion of --encoding e"
grep -qx utf-8-nobom <<<"$(complete_words --output-encoding = utf-8)" || fail "completion of --output-encoding=utf-8"

# Every English text of the command line has its Japanese, and no translation is left fuzzy.
xgettext --from-code=UTF-8 -kTr -kN_ --omit-header -o "$scratch/code.pot" "$source"/app/cli/*.cpp
"$writer" flags | cut -f2 | while IFS= read -r help; do
    printf 'msgid "%s"\nmsgstr ""\n\n' "$help"
done | msguniq -o "$scratch/table.pot" -
msgcat -o "$scratch/all.pot" "$scratch/code.pot" "$scratch/table.pot"
msgcmp "$source/po/ja.po" "$scratch/all.pot" 2>"$scratch/msgcmp" ||
    fail "po/ja.po lacks texts of the command line: $(cat "$scratch/msgcmp")"
stats=$(msgfmt --statistics -o /dev/null "$source/po/ja.po" 2>&1)
grep -Eq 'fuzzy|untranslated' <<<"$stats" && fail "po/ja.po: $stats"
exit $failed
