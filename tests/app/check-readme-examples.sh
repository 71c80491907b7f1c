#!/usr/bin/env bash
# Runs every ```sh example of the README that calls the program on samples encoded by iconv, and
# checks the distinct lines and what the words before it promise. The other examples build,
# install and test the program (scripts/test.sh and the install tests run those) or measure it
# (the benchmarks under bench/, which print figures rather than pass or fail).
# Usage: check-readme-examples.sh README PROGRAM
set -uo pipefail
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && mkdir -p "$work/bin" "$work/notes"
ln -s "$2" "$work/bin/tandrel"
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
declare -A from=([notes/1.txt]=UTF-8 [notes/2.txt]=UTF-16 [notes/3.txt]=UTF-8 [old-unix.txt]=EUC-JP
    [all-words.txt]=UTF-8)
sample() { { printf "$2"; printf '%s' "$3" | iconv -t "$1"; } >"$work/$4"; }
sample UTF-8 '\xEF\xBB\xBF' $'日記\r\n買い物\r\n' notes/1.txt
sample UTF-16LE '\xFF\xFE' $'日記\r\n天気\r\n\r\n' notes/2.txt
sample UTF-8 '\xEF\xBB\xBF' $'買い物\r\n散歩\r\n日記\r\n' notes/3.txt
sample UTF-8 '' $'りんご\nみかん\nりんご\nぶどう\n' all-words.txt
sample EUC-JP '' $'東京\n大阪\n東京\n\n' old-unix.txt
unmarked() { sed '1s/^\xEF\xBB\xBF//' "$@" | tr -d '\r'; }

check() { # the words before the example, the example
    local inputs=() promised=0 output
    for word in $(cd "$work" && printf '%s\n' ${2%%>*}); do [ -n "${from[$word]:-}" ] && inputs+=("$word"); done
    (cd "$work" && export PATH="$work/bin:$PATH" && eval "$2") 2>"$work/err" || fail "$2: exit $?"
    output=$work/$(cd "$work" && find . -newer old-unix.txt -type f ! -name err ! -path './bin/*')
    [ -f "$output" ] || { fail "$2: not one output"; return; }
    diff <(unmarked "$output") <(for f in "${inputs[@]}"; do iconv -f "${from[$f]}" "$work/$f" | unmarked; done | awk 'length && !seen[$0]++') || fail "$2: not the distinct lines"
    [[ $1 == *"LF line ends"* ]] && promised=1 && grep -q $'\r' "$output" && fail "$2: CR"
    [[ $1 == *"UTF-8 out"* || $1 == *"UTF-8 without a mark"* ]] && promised=1 && ! iconv -f UTF-8 "$output" >/dev/null && fail "$2: not UTF-8"
    [[ $1 == *"without a mark"* && $(head -c 3 "$output") == $'\xEF\xBB\xBF' ]] && fail "$2: a mark"
    [[ $1 == *"with the counts"* ]] && promised=1 && ! grep -qE '行 → .* 行（重複|^Lines: [0-9,]+ in, [0-9,]+ out \(' "$work/err" && fail "$2: no counts"
    [ $promised = 1 ] || fail "$2: no promise this test knows in: $1"
    rm -f "$output"
}

words='' block='' inBlock=0 fresh=1
while IFS= read -r line; do
    if [ $inBlock = 1 ] && [ "$line" = '```' ]; then
        inBlock=0
        case $block in
        tandrel\ * | *\|\ tandrel\ *) check "$words" "$block" ;;
        scripts/run.sh | scripts/test.sh | 'cmake --install build/release' | '(cd build/release && cpack)'*) ;;
        bench/*) ;;
        *) fail "an example this test does not know: $block" ;;
        esac
    elif [ $inBlock = 1 ]; then block+=${block:+$'\n'}$line
    elif [ "$line" = '```sh' ]; then inBlock=1 block=''
    elif [ -z "$line" ]; then fresh=1
    elif [ $fresh = 1 ]; then words=$line fresh=0
    else words+=" $line"
    fi
done <"$1"
exit $failed
