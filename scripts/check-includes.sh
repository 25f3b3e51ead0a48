#!/usr/bin/env bash
# Checks that the source folders include one another only downwards: reads
# every `#include "folder/file"` under src/ (and only there) and fails,
# naming each file:line and its edge, on an include from one folder into
# another that the layer table below does not allow. A folder may always
# include its own files.
#
# The layers, bottom to top (an include goes down only). "+ X" is the row
# above's list and X; "everything above except X" is every folder of the rows
# above but X. The sub-model rows come from src/submodels.txt, in its order:
# the first may include common, charting, model and hostdb, each next one
# those and the sub-models above it; "every sub-model" is all of them.
read -r -d '' LAYERS <<'TABLE'
| folder | namespace | may include |
|---|---|---|
| common/ | `oewr` | (nothing of ours) |
| charting/ | `oewr::charting` | common |
| model/ | `oewr` (the shared vocabulary, with common) | common |
| hostdb/ | `oewr::hostdb` | common, model |
| (each sub-model of src/submodels.txt) | `oewr::<sub-model>` | common, charting, model, hostdb, + each sub-model above it |
| process/ | `oewr::process` | common, charting, model, hostdb, every sub-model |
| menu/ | `oewr::menu` | + process |
| ensemble/ | `oewr::ensemble` | + menu |
| render/ | `oewr::render` (Qt) | common, charting |
| gui/ | `oewr::gui` (Qt) | everything above except cli |
| cli/ | `oewr::cli` | everything above except gui |
TABLE
set -euo pipefail

usage="usage: scripts/check-includes.sh [-h|--help]
Reads every #include \"folder/...\" of the files under src/ and lists, as
file:line, each include from one folder into another that the layer table at
the top of this script does not allow. Exit status 0 when every include
follows the layers, 1 when some do not, 2 on a usage error."
case "${1:-}" in
  -h | --help) echo "$usage"; exit 0 ;;
  '') ;;
  *) echo "check-includes.sh: unknown argument '$1'" >&2; echo "$usage" >&2; exit 2 ;;
esac

cd "$(dirname "$0")/.."
[ -d src ] || { echo "check-includes.sh: no src/ folder in $(pwd)" >&2; exit 2; }

# The sub-models in their order, and the table with a row for each.
submodels=$(grep -E '^[a-z_]+$' src/submodels.txt) ||
  { echo "check-includes.sh: no sub-model listed in src/submodels.txt" >&2; exit 2; }
table=""
while IFS= read -r row; do
  if [[ $row == "| (each sub-model"* ]]; then
    rule="common, charting, model, hostdb"
    for sub in $submodels; do
      table+="| $sub/ | \`oewr::$sub\` | $rule |"$'\n'
      rule="+ $sub"
    done
  else
    table+="$row"$'\n'
  fi
done <<<"$LAYERS"

# The allowed edges as "from to" lines, read from the table.
allowed=$(awk -v subs="$(echo $submodels)" -F'|' '
  NR <= 2 { next }
  {
    folder = $2; gsub(/[ \/]/, "", folder)
    rule = $4; gsub(/^ +| +$/, "", rule)
    list = ""
    if (rule == "(nothing of ours)") {
      list = ""
    } else if (rule ~ /^\+ /) {
      list = prev " " substr(rule, 3)
    } else if (rule ~ /^everything above except /) {
      except = substr(rule, length("everything above except ") + 1)
      for (i = 1; i <= n; ++i) if (order[i] != except) list = list " " order[i]
    } else {
      gsub(/,/, " ", rule)
      sub(/every sub-model/, subs, rule)
      list = rule
    }
    order[++n] = folder
    prev = list
    print folder, folder
    k = split(list, to, " ")
    for (i = 1; i <= k; ++i) print folder, to[i]
  }' <<<"${table%$'\n'}")

# Each include from one folder into another, checked against the edges.
report=$({ grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' src --include='*.h' --include='*.cpp' || true; } |
  sort -t: -k1,1 -k2,2n |
  awk -v edges="$allowed" '
    BEGIN {
      k = split(edges, lines, "\n")
      for (i = 1; i <= k; ++i) { split(lines[i], e, " "); ok[e[1] " " e[2]] = 1; known[e[1]] = 1 }
    }
    {
      file = $0; sub(/:.*/, "", file)
      rest = substr($0, length(file) + 2)
      line = rest; sub(/:.*/, "", line)
      text = substr(rest, length(line) + 2); sub(/^[ \t]+/, "", text)
      from = file; sub(/^src\//, "", from); sub(/\/.*/, "", from)
      to = text; sub(/^#[ \t]*include[ \t]*"/, "", to); sub(/\/.*/, "", to)
      if (from == to || ok[from " " to]) next
      if (!known[from]) why = "folder " from "/ is not in the layer table"
      else if (!known[to]) why = "folder " to "/ is not in the layer table"
      else why = from " may not include " to
      printf "%s:%s: %s -> %s (%s): %s\n", file, line, from, to, why, text
    }')

if [ -n "$report" ]; then
  echo "$report"
  echo "$(wc -l <<<"$report") include(s) break the layers"
  exit 1
fi
echo "Every include under src/ follows the layers"
