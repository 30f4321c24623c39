#!/usr/bin/env bash
# Lists the functions of the program longer than a limit (80 lines unless given), longest first,
# as Universal Ctags measures them from their first line to their closing brace.
#   bash tools/long-functions.sh [limit] [paths…]
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-80}
shift || true
paths=("$@")
[ ${#paths[@]} -gt 0 ] || paths=(src tools bench)
find "${paths[@]}" -name '*.cpp' -print0 \
  | xargs -0 ctags --c++-kinds=f --fields=+ne -o - \
  | awk -F'\t' -v limit="$limit" '{
      line = ""; end = "";
      for (i = 4; i <= NF; i++) {
        if ($i ~ /^line:/) line = substr($i, 6);
        if ($i ~ /^end:/) end = substr($i, 5);
      }
      if (line != "" && end != "" && end - line + 1 > limit) printf "%5d  %s:%s  %s\n", end - line + 1, $2, line, $1;
    }' \
  | sort -rn
