#!/usr/bin/env bash
# Times quillmake on one large snippet of C-like text against two baselines,
# in interleaved rounds on the same file:
#   xxd -i f > f.h        another tool that turns a file into C text
#   cat f f > out         copying the same bytes twice, near the floor
# quillmake also writes the bytes twice (escaped in the source table, as they
# are in the dispatcher). Each round runs all three, in an order that rotates
# from round to round; the figures are the medians of the per-round ratios.
#
#   bench_quillmake.sh QUILLMAKE [WORK_DIR]
#     QUILLKIT_BENCH_MB      size of the snippet (default 25)
#     QUILLKIT_BENCH_ROUNDS  rounds (default 5)
set -euo pipefail

quillmake="$(realpath "${1:?usage: bench_quillmake.sh QUILLMAKE [WORK_DIR]}")"
parent="${2:-${TMPDIR:-/tmp}}"
megabytes="${QUILLKIT_BENCH_MB:-25}"
rounds="${QUILLKIT_BENCH_ROUNDS:-5}"
command -v xxd >/dev/null || { echo "xxd is not installed (Debian package xxd)" >&2; exit 1; }

mkdir -p "$parent"
work="$(mktemp -d "$parent/bench-quillmake.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# A block of snippet-like C: calls, numbers, string literals with quotes and
# backslashes, comments, tabs; doubled until large enough, then cut to size.
cat > block.txt <<'SNIPPET'
cairo_save (cr);
	cairo_translate (cr, 0.5, 0.5);
	cairo_scale (cr, 0.375, 0.375);
	cairo_move_to (cr, -1.0, 0.0);
	cairo_curve_to (cr, -0.5, -0.75, 0.5, -0.75, 1.0, 0.0);
	cairo_set_source_rgba (cr, 0.231, 0.502, 0.682, 0.8);
	cairo_fill_preserve (cr);
	cairo_show_text (cr, "label \"quoted\" with a \\ backslash");
	cairo_set_line_width (cr, 0.02); /* hairline at this scale */
	cairo_stroke (cr);
cairo_restore (cr);
{ int i; for (i = 0; i < 12; i++) { double a = i * 3.14159265 / 6; cairo_arc (cr, 0.5 + 0.4 * cos (a), 0.5 + 0.4 * sin (a), 0.01, 0, 2 * 3.14159265); cairo_fill (cr); } }
SNIPPET
target=$((megabytes * 1024 * 1024))
cp block.txt grow.txt
while [ "$(stat -c %s grow.txt)" -lt "$target" ]; do
  cat grow.txt grow.txt > grow2.txt
  mv grow2.txt grow.txt
done
head -c "$target" grow.txt > big.cairo
rm -f grow.txt block.txt

run_quillmake() { "$quillmake" big.cairo; }
run_xxd() { xxd -i big.cairo > big.h; }
run_cat() { cat big.cairo big.cairo > out; }

# seconds COMMAND: the wall time of one run.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  awk -v ns="$((end - start))" 'BEGIN { printf "%.6f", ns / 1e9 }'
}

cat big.cairo > /dev/null  # into the page cache
commands=(run_quillmake run_xxd run_cat)
results=""
for ((round = 0; round < rounds; round++)); do
  declare -A t=()
  for ((k = 0; k < ${#commands[@]}; k++)); do
    c=${commands[$(((k + round) % ${#commands[@]}))]}
    t[$c]=$(seconds "$c")
  done
  results+="${t[run_quillmake]} ${t[run_xxd]} ${t[run_cat]}"$'\n'
  unset t
done

printf '%s' "$results" | awk -v mb="$megabytes" -v rounds="$rounds" -v out="$(stat -c %s snippets.c)" '
  function median(a, n,   i, j, x) {
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  NF == 3 { n++; q[n] = $1; x[n] = $2; c[n] = $3; faster[n] = $2 / $1; slower[n] = $1 / $3 }
  END {
    fx = median(faster, n); sc = median(slower, n)
    printf "snippet of %d MiB of C-like text; snippets.c is %.1f MiB; %d rounds (medians)\n", mb, out / 1048576, rounds
    printf "  quillmake f          %8.4f s\n", median(q, n)
    printf "  xxd -i f > f.h       %8.4f s   quillmake is %.1fx faster (target >= 20x): %s\n", median(x, n), fx, (fx >= 20 ? "met" : "NOT met")
    printf "  cat f f > out        %8.4f s   quillmake takes %.2fx as long (target <= 4x): %s\n", median(c, n), sc, (sc <= 4 ? "met" : "NOT met")
  }'
