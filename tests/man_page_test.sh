#!/usr/bin/env bash
# man_page_test.sh - the manual page keeps up with the program: each option its --help lists has an
# entry on the page, and each entry names an option the program still takes.
#
#   tests/man_page_test.sh PROGRAM PAGE
set -euo pipefail
program=$1
page=$2

# --help's options: the names that open its indented option lines ("-s,--sort  ..." as CLI11
# writes them, "-h, --help  ..." as Qt does).
help_options=$("$program" --help |
    sed -nE 's/^ +(-[-A-Za-z0-9]+(, ?-[-A-Za-z0-9]+)*).*/\1/p' | tr ',' '\n' | tr -d ' ' | sort -u)
[[ -n $help_options ]] || { echo "no option found in $program --help" >&2; exit 1; }

# The page's entries: the line after each .TP, fonts and quotes dropped, \- read as -.
page_options=$(awk 'previous == ".TP" { print } { previous = $0 }' "$page" |
    sed -E 's/\\f[BIRP]//g; s/\\-/-/g; s/"//g; s/^\.[A-Z]+ //' |
    grep -oE '(^|[ ,])-{1,2}[A-Za-z0-9][-A-Za-z0-9]*' | tr -d ' ,' | sort -u)

status=0
missing=$(comm -23 <(echo "$help_options") <(echo "$page_options"))
stale=$(comm -13 <(echo "$help_options") <(echo "$page_options"))
if [[ -n $missing ]]; then
    echo "$page has no entry for these options of $program --help:" $missing >&2
    status=1
fi
if [[ -n $stale ]]; then
    echo "$page has entries for options that $program --help does not list:" $stale >&2
    status=1
fi
[[ $status -ne 0 ]] || echo "$page documents all $(echo "$help_options" | wc -l) options of $(basename "$program")"
exit $status
