#!/usr/bin/env bash
# kelvor-cli --load on the ETM sample over a window: the columns are the entries the statistics
# file charges with net time, in its order; each row's load is the sum of its shares; each
# entry's shares over the intervals add up to its net time in the statistics file; the rows tile
# the window. Bad interval options are usage errors that write nothing.
# Usage: load_over_time.sh CLI SOURCE_ROOT OUTDIR
set -euo pipefail
cli=$1 root=$2 out=$3
mkdir -p "$out"
cd "$root"
rm -f "$out"/load*.tsv "$out/load.asc"
fail() { echo "FAIL: $*"; exit 1; }
run() { "$cli" --quiet --config examples/sample.ini --window 0.004 0.037 "$@" examples/sample.prn; }

# Header and order against the statistics file's PID and Text of every entry with net time.
check() {  # TSV INTERVALS
  awk -F'\t' -v want="$2" '
    NR == FNR { if (FNR > 1 && $6 > 0) { n++; col[n] = $1 " " $2; net[n] = $6 } next }
    FNR == 1 {
      if ($1 != "start" || $2 != "end" || $3 != "load") { print "header " $0; bad = 1 }
      if (NF - 3 != n) { print "columns " NF - 3 " entries " n; bad = 1 }
      for (i = 4; i <= NF; i++) if ($i != col[i - 3]) { print "column " $i " vs " col[i - 3]; bad = 1 }
      next
    }
    {
      rows++
      if (rows == 1 && $1 != 0.004) { print "first start " $1; bad = 1 }
      if (rows > 1 && $1 != last) { print "gap at " $1; bad = 1 }
      last = $2; len = $2 - $1; sum = 0
      for (i = 4; i <= NF; i++) { sum += $i; total[i - 3] += $i * len / 100 }
      if ((sum - $3) ^ 2 > 1e-18) { print "row " rows " load " $3 " shares " sum; bad = 1 }
    }
    END {
      if (rows != want) { print "rows " rows " want " want; bad = 1 }
      if (last != 0.037) { print "last end " last; bad = 1 }
      for (i = 1; i <= n; i++) {
        d = total[i] - net[i]
        if (d * d > (1e-5 * net[i]) ^ 2) { print col[i] " net " total[i] " statistics " net[i]; bad = 1 }
      }
      exit bad
    }' "$out/load.asc" "$1" || fail "$1"
}

run --asc "$out/load.asc" --load "$out/load-count.tsv" --intervals 7 || fail "--intervals 7"
check "$out/load-count.tsv" 7
# 0.033 s in intervals of 0.007 s: four whole ones and a shorter last one.
run --load "$out/load-length.tsv" --interval 0.007 || fail "--interval 0.007"
check "$out/load-length.tsv" 5

for bad in "--intervals 0" "--intervals 2.5" "--interval -1" "--interval 1e-12" \
           "--intervals 5 --interval 0.01"; do
  status=0
  # shellcheck disable=SC2086
  run --load "$out/load-bad.tsv" $bad 2>/dev/null || status=$?
  [ "$status" -eq 2 ] || fail "$bad: exit status $status, expected 2"
  [ ! -e "$out/load-bad.tsv" ] || fail "$bad: wrote a file"
done
echo "load over time: every check held"
