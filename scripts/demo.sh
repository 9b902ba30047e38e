#!/usr/bin/env bash
# Shows what the command-line front end does with the bundled sample list, writing its files
# into a folder it names.
set -euo pipefail
cli="${1:?path to talvoro-cli}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sample="$here/samples/liste_exemple.txt"
out="$here/build-release/demo"
mkdir -p "$out"
echo "== Keys of the first accounts of $sample (account, CCP key, RIP key)"
accounts=$(cut -c10-19 "$sample" | head -n 5)
# shellcheck disable=SC2086
"$cli" keys $accounts || true
echo
echo "== Amounts in words"
"$cli" words 1234.56 2000000.75
"$cli" words --lang AR 1234.56
echo
echo "== Check of the whole list (counters, totals, error lines)"
"$cli" check "$sample" || true
echo
echo "== Files written into $out"
"$cli" export-txt "$sample" --code DEMO --dir "$out"
"$cli" export-xlsx "$sample" --code DEMO --dir "$out"
"$cli" report errors "$sample" --pdf "$out/rapport_erreurs.pdf" || true
"$cli" report list "$sample" --pdf "$out/liste_nominative.pdf" --place 'APC Exemple\nDirection des finances'
