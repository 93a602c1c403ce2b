#!/usr/bin/env bash
# Times quillmake on one large snippet of C-like text against three baselines,
# in interleaved rounds on the same file, in two sets of rounds:
#
#   1. against the I/O floor, the target's yardstick:
#        io_floor f out N   what quillmake's file work costs with nothing in
#                           between: reads f twice, writes the N bytes of
#                           quillmake's module into a temporary file through
#                           the same output routine, renames it over the last
#   2. against two other ways of writing the bytes:
#        xxd -i f > f.h     another tool that turns a file into C text
#        cat f f > out      copying the same bytes twice
#
# quillmake also writes the bytes twice (escaped in the source table, as they
# are in the dispatcher). Every run begins after a sync, in an order that
# changes from round to round. The sets are apart because a run leaves work
# behind that falls on the next one (the replaced file's blocks freed and
# discarded): xxd's 150 MiB would fall on whichever of the two came next. The
# figures are the medians of the times and of the per-round ratios, with the
# smallest and largest ratio of a round.
#
#   bench_quillmake.sh QUILLMAKE IO_FLOOR [WORK_DIR]
#     QUILLKIT_BENCH_MB         size of the snippet (default 25)
#     QUILLKIT_BENCH_ROUNDS     rounds of each set (default 8)
#     QUILLKIT_BENCH_REFERENCE  another quillmake (an older build): its module
#                               of the same snippet must be byte for byte the same
#     QUILLKIT_BENCH_VERBOSE    when set, each round's times as they come
set -euo pipefail

usage="usage: bench_quillmake.sh QUILLMAKE IO_FLOOR [WORK_DIR]"
quillmake="$(realpath "${1:?$usage}")"
io_floor="$(realpath "${2:?$usage}")"
parent="${3:-${TMPDIR:-/tmp}}"
megabytes="${QUILLKIT_BENCH_MB:-25}"
rounds="${QUILLKIT_BENCH_ROUNDS:-8}"
reference="${QUILLKIT_BENCH_REFERENCE:-}"
[ -z "$reference" ] || reference="$(realpath "$reference")"
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

cat big.cairo > /dev/null  # into the page cache
# A first run of each writer, untimed: every timed run replaces a module of
# the same size, as a build that runs quillmake again does.
"$quillmake" big.cairo
module_bytes=$(stat -c %s snippets.c)
"$io_floor" big.cairo floor.c "$module_bytes"
if [ "$(stat -c %s floor.c)" -ne "$module_bytes" ]; then
  echo "io_floor wrote $(stat -c %s floor.c) bytes, not $module_bytes" >&2
  exit 1
fi
if [ -n "$reference" ]; then
  "$reference" --output=reference.c big.cairo
  if ! cmp -s snippets.c reference.c; then
    echo "the module differs from the one $reference writes" >&2
    exit 1
  fi
  rm -f reference.c
fi

run_quillmake() { "$quillmake" big.cairo; }
run_floor() { "$io_floor" big.cairo floor.c "$module_bytes"; }
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

# interleave COMMAND...: $rounds rounds of the commands, the order rotated by
# one each round, each run after a sync (so that none starts while the last
# one's data is still being written back). Prints a line per round: the
# commands' times in the order given.
interleave() {
  local commands=("$@") round k c line
  for ((round = 0; round < rounds; round++)); do
    declare -A t=()
    for ((k = 0; k < ${#commands[@]}; k++)); do
      c=${commands[$(((k + round) % ${#commands[@]}))]}
      sync
      t[$c]=$(seconds "$c")
    done
    line=""
    for c in "${commands[@]}"; do line+="${t[$c]} "; done
    echo "$line"
    [ -z "${QUILLKIT_BENCH_VERBOSE:-}" ] || echo "round $((round + 1)): ${commands[*]}: $line" >&2
    unset t
  done
}

floor_rounds=$(interleave run_quillmake run_floor)
other_rounds=$(interleave run_quillmake run_xxd run_cat)

identical="not compared with another build (QUILLKIT_BENCH_REFERENCE)"
[ -z "$reference" ] || identical="byte for byte the module of $reference"
{ echo "$floor_rounds" | sed 's/^/floor /'; echo "$other_rounds" | sed 's/^/other /'; } |
  awk -v mb="$megabytes" -v rounds="$rounds" -v out="$module_bytes" -v identical="$identical" '
  function sort(a, n,   i, j, x) {
    for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
  }
  function median(a, n) { sort(a, n); return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }
  $1 == "floor" { n++; q[n] = $2; f[n] = $3; ratio[n] = $2 / $3 }
  $1 == "other" { m++; q2[m] = $2; x[m] = $3; c[m] = $4; faster[m] = $3 / $2; slower[m] = $2 / $4 }
  END {
    rf = median(ratio, n); fx = median(faster, m); sc = median(slower, m)
    printf "snippet of %d MiB of C-like text; snippets.c is %.1f MiB, %s; %d rounds a set (medians)\n", mb, out / 1048576, identical, rounds
    printf "  set 1: quillmake f   %8.4f s\n", median(q, n)
    printf "  I/O floor            %8.4f s   quillmake takes %.2fx as long (rounds %.2f to %.2f) (target <= 1.6x): %s\n", median(f, n), rf, ratio[1], ratio[n], (rf <= 1.6 ? "met" : "NOT met")
    printf "  set 2: quillmake f   %8.4f s\n", median(q2, m)
    printf "  xxd -i f > f.h       %8.4f s   quillmake is %.1fx faster (target >= 20x): %s\n", median(x, m), fx, (fx >= 20 ? "met" : "NOT met")
    printf "  cat f f > out        %8.4f s   quillmake takes %.2fx as long (target <= 4x): %s\n", median(c, m), sc, (sc <= 4 ? "met" : "NOT met")
  }'
