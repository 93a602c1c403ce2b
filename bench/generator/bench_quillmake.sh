#!/usr/bin/env bash
# Times quillmake on one large snippet of C-like text against two baselines
# measured in the same run on the same file:
#   xxd -i f > f.h        another tool that turns a file into C text
#   cat f f > out         copying the same bytes twice, near the floor
# quillmake also writes the bytes twice (escaped in the source table, as they
# are in the dispatcher). Each command runs several times; the best time counts.
#
#   bench_quillmake.sh QUILLMAKE [WORK_DIR]     (size: QUILLKIT_BENCH_MB, default 25)
set -euo pipefail

quillmake="$(realpath "${1:?usage: bench_quillmake.sh QUILLMAKE [WORK_DIR]}")"
parent="${2:-${TMPDIR:-/tmp}}"
megabytes="${QUILLKIT_BENCH_MB:-25}"
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

now_ns() { date +%s%N; }

# best_of RUNS COMMAND...: the shortest wall time in seconds.
best_of() {
  local runs="$1"; shift
  local best="" start end t
  for ((r = 0; r < runs; r++)); do
    start=$(now_ns)
    "$@"
    end=$(now_ns)
    t=$((end - start))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.4f", ns / 1e9 }'
}

run_quillmake() { "$quillmake" big.cairo; }
run_xxd() { xxd -i big.cairo > big.h; }
run_cat() { cat big.cairo big.cairo > out; }

cat big.cairo > /dev/null  # into the page cache
t_quill=$(best_of 5 run_quillmake)
t_xxd=$(best_of 2 run_xxd)
t_cat=$(best_of 5 run_cat)

awk -v mb="$megabytes" -v q="$t_quill" -v x="$t_xxd" -v c="$t_cat" -v out="$(stat -c %s snippets.c)" 'BEGIN {
  printf "snippet of %d MiB of C-like text; snippets.c is %.1f MiB\n", mb, out / 1048576
  printf "  quillmake f          %8.4f s\n", q
  printf "  xxd -i f > f.h       %8.4f s   quillmake is %.1fx faster (target >= 20x)  %s\n", x, x / q, (x / q >= 20 ? "met" : "MISSED")
  printf "  cat f f > out        %8.4f s   quillmake takes %.2fx as long (target <= 4x)  %s\n", c, q / c, (q / c <= 4 ? "met" : "MISSED")
}'
