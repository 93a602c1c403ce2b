#!/usr/bin/env bash
# qxclock_cpu.sh - what a running qxclock window costs the machine (CPU of the
# clock and of its X server), against `xclock -render -update 1` and
# optionally another build of qxclock, all measured in the same seconds.
# `--help` says how to run it.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: bash bench/qxclock/qxclock_cpu.sh [OPTION]...

Measures what a running qxclock window costs the machine: the CPU time of the
clock and of its X server, in nanoseconds from /proc/PID/schedstat (time on a
CPU, summed over the process's threads), against `xclock -render -update 1`
(a clock that ticks once a second) and optionally against another build of
qxclock. Every clock gets its own Xvfb (640x480x24) with xcompmgr as the
compositing manager, at the same size.

The builds are measured at the same time, not one after the other: in each
round they are started side by side, left to settle for 2 s, and their CPU
times are read at the same start and end instants, S seconds apart. Meanwhile
each clock's run count (third field of schedstat) is read every 50 ms: a read
in which it grew is a wake-up. The figures are the medians over the rounds,
and each ratio is the median of the per-round ratios.

Scenarios: with the second hand (qxclock --seconds, and xclock), and without
it (qxclock --no-seconds; xclock has no such mode).

Targets, with the second hand: the clock and its X server at most three times
what xclock and its X server cost (2.5 times is the aim, printed as
information), and at most 0.3% of a core. Without it: a wake-up only when the
hands can visibly move.

Options (a value may also follow after '='):
  --candidate QXCLOCK  the qxclock to measure
                       (default: build/default/tools/qxclock/qxclock)
  --baseline QXCLOCK   another build of qxclock to measure in the same rounds,
                       e.g. of an older commit built out of the tree:
                         git archive REV | tar -x -C build/baseline-src
                         cmake -S build/baseline-src -B build/baseline -G Ninja \
                           -DCMAKE_BUILD_TYPE=RelWithDebInfo
                         cmake --build build/baseline --target quillkit_qxclock
  --rounds N           rounds (default 5)
  --seconds S          seconds measured in each round (default 20)
  --size PX            side of the clocks in pixels (default 256)
  --only seconds|plain one scenario only
  --no-xclock          leave xclock out (no ratio to it, no target on it)
  --help               print this text and exit

Needs Xvfb, xcompmgr and xwininfo (Debian packages xvfb, xcompmgr,
x11-utils), and xclock (x11-apps) unless --no-xclock. Exit status: 0 when
measured, 1 when something would not start, 2 for a bad command line.
EOF
}

die_usage() {
  echo "qxclock_cpu.sh: $1" >&2
  echo "Try 'bash $0 --help'." >&2
  exit 2
}

here=$(cd "$(dirname "$0")" && pwd)
baseline=""
candidate="$here/../../build/default/tools/qxclock/qxclock"
rounds=5
seconds=20
size=256
settle=2
only=""
xclock=xclock

# The value of option $1: after '=' in $2, else the next argument $3.
# Sets `value` and `used` (how many arguments the option took).
take_value() {
  if [[ $2 == *=* ]]; then
    value=${2#*=}; used=1
  elif [ "$4" -ge 2 ]; then
    value=$3; used=2
  else
    die_usage "option '$1' needs a value"
  fi
}

whole() {  # whole NAME VALUE MIN: VALUE is a whole number of at least MIN
  if ! [[ $2 =~ ^[0-9]+$ ]] || [ "$2" -lt "$3" ]; then
    die_usage "bad $1 '$2': give a whole number of at least $3"
  fi
}

while [ $# -gt 0 ]; do
  name=${1%%=*}
  case "$name" in
    --help) [[ $1 == *=* ]] && die_usage "option '--help' takes no value"; usage; exit 0 ;;
    --no-xclock) [[ $1 == *=* ]] && die_usage "option '--no-xclock' takes no value"; xclock=""; shift ;;
    --baseline|--candidate|--rounds|--seconds|--size|--only)
      take_value "$name" "$1" "${2-}" $#
      case "$name" in
        --baseline) baseline=$value ;;
        --candidate) candidate=$value ;;
        --rounds) whole rounds "$value" 1; rounds=$value ;;
        --seconds) whole seconds "$value" 1; seconds=$value ;;
        --size) whole size "$value" 32; size=$value ;;
        --only) [[ $value == seconds || $value == plain ]] ||
                  die_usage "bad scenario '$value': give seconds or plain"; only=$value ;;
      esac
      shift "$used" ;;
    *) die_usage "unknown argument '$1'" ;;
  esac
done
for tool in Xvfb xcompmgr xwininfo $xclock; do
  command -v "$tool" >/dev/null || { echo "qxclock_cpu.sh: $tool is not installed" >&2; exit 1; }
done
for bin in "$candidate" ${baseline:+"$baseline"}; do
  [ -x "$bin" ] || die_usage "$bin is not an executable"
done
[ -z "$xclock" ] || xclock=$(command -v "$xclock")

work=$(mktemp -d)
pids=()
cleanup() {
  stop_all
  rm -rf "$work"
}
trap cleanup EXIT

# A descriptor that never has data: `read -t` on it sleeps without a fork.
exec {nap}<> <(:)
nap() { read -r -t "$1" -u "$nap" || true; }

# Polls `$@` every 50 ms for up to 10 s; fails if it never succeeds.
wait_for() {
  local i
  for i in $(seq 200); do
    "$@" >/dev/null 2>&1 && return 0
    nap 0.05
  done
  return 1
}

# cpu_ns PID: sets REPLY to the process's time on a CPU in ns, all threads.
cpu_ns() {
  local f ns rest total=0
  for f in /proc/"$1"/task/*/schedstat; do
    read -r ns rest <"$f" || continue  # a thread that has just ended
    total=$((total + ns))
  done
  REPLY=$total
}

# runs PID: sets REPLY to how often the process's main thread went on a CPU.
runs() {
  local fields
  read -ra fields <"/proc/$1/schedstat"  # on a CPU (ns), waiting (ns), runs
  REPLY=${fields[2]}
}

# Whether a window named $2 is on display $1. (Not a pipe into grep -q: with
# pipefail, xwininfo killed by SIGPIPE would fail the test at random.)
has_window() {
  local tree
  tree=$(DISPLAY=$1 xwininfo -root -tree 2>/dev/null) || return 1
  [[ $tree == *"\"$2\""* ]]
}

# Stops what the round started.
stop_all() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  pids=()
}

# start_display KEY: a private Xvfb and xcompmgr; sets xvfb_pid[KEY] and
# display[KEY]. Runs in this shell, so that a failure stops the script and
# the EXIT trap ends what it started.
declare -A xvfb_pid display clock_pid
start_display() {
  local key=$1 file="$work/display.$1"
  : >"$file"
  Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$file" >/dev/null 2>&1 &
  xvfb_pid[$key]=$!; pids+=("$!")
  wait_for grep -q . "$file" || { echo "qxclock_cpu.sh: Xvfb did not start" >&2; exit 1; }
  display[$key]=":$(<"$file")"
  # Now and then the first connection after the server's start is refused:
  # try xcompmgr up to three times.
  local comp="" _
  for _ in 1 2 3; do
    xcompmgr -d "${display[$key]}" >/dev/null 2>"$work/xcompmgr.err" &
    comp=$!
    wait_for has_window "${display[$key]}" xcompmgr && break
    kill "$comp" 2>/dev/null || true
    wait "$comp" 2>/dev/null || true
    comp=""
  done
  [ -n "$comp" ] || { echo "qxclock_cpu.sh: xcompmgr did not start: $(<"$work/xcompmgr.err")" >&2; exit 1; }
  pids+=("$comp")
}

# start_clock KEY WINDOW_NAME BINARY ARGS...: the clock on KEY's display.
start_clock() {
  local key=$1 name=$2 bin=$3; shift 3
  DISPLAY=${display[$key]} "$bin" "$@" >/dev/null 2>"$work/clock.$key.err" &
  clock_pid[$key]=$!; pids+=("$!")
  wait_for has_window "${display[$key]}" "$name" ||
    { echo "qxclock_cpu.sh: no $name window: $(<"$work/clock.$key.err")" >&2; exit 1; }
}

# measure_round SCENARIO BUILD...: the builds side by side for S seconds;
# sets client[BUILD] and server[BUILD] (CPU in % of a core) and
# wakeups[BUILD].
declare -A client server wakeups
measure_round() {
  local scenario=$1; shift
  local builds=("$@") b
  local args=(--window --seconds --size "$size")
  [ "$scenario" = seconds ] || args=(--window --no-seconds --size "$size")
  for b in "${builds[@]}"; do
    start_display "$b"
    case $b in
      candidate) start_clock "$b" qxclock "$candidate" "${args[@]}" ;;
      baseline) start_clock "$b" qxclock "$baseline" "${args[@]}" ;;
      xclock) start_clock "$b" xclock "$xclock" -render -update 1 -geometry "${size}x${size}" ;;
    esac
  done
  nap "$settle"

  local -A c0 s0 last count
  local t0 t1 end
  # The start instant: every process read within microseconds.
  t0=$EPOCHREALTIME
  for b in "${builds[@]}"; do
    cpu_ns "${clock_pid[$b]}"; c0[$b]=$REPLY
    cpu_ns "${xvfb_pid[$b]}"; s0[$b]=$REPLY
    runs "${clock_pid[$b]}"; last[$b]=$REPLY; count[$b]=0
  done
  end=$(( ${t0/./} + seconds * 1000000 ))  # in microseconds
  while [ "${EPOCHREALTIME/./}" -lt "$end" ]; do
    nap 0.05
    for b in "${builds[@]}"; do
      runs "${clock_pid[$b]}"
      [ "$REPLY" -gt "${last[$b]}" ] && count[$b]=$((count[$b] + 1))
      last[$b]=$REPLY
    done
  done
  # The end instant, read the same way.
  local -A c1 s1
  for b in "${builds[@]}"; do
    cpu_ns "${clock_pid[$b]}"; c1[$b]=$REPLY
    cpu_ns "${xvfb_pid[$b]}"; s1[$b]=$REPLY
  done
  t1=$EPOCHREALTIME
  stop_all
  local span_us=$(( ${t1/./} - ${t0/./} ))
  for b in "${builds[@]}"; do
    # ns over µs is a thousandth; in per cent of a core: / 10.
    client[$b]=$(awk -v n=$((c1[$b] - c0[$b])) -v t="$span_us" 'BEGIN { printf "%.4f", n / t / 10 }')
    server[$b]=$(awk -v n=$((s1[$b] - s0[$b])) -v t="$span_us" 'BEGIN { printf "%.4f", n / t / 10 }')
    wakeups[$b]=${count[$b]}
  done
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit; printf "%.3f\n", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "n/a" }'; }

scenarios=()
[ "$only" = plain ] || scenarios+=(seconds)
[ "$only" = seconds ] || scenarios+=(plain)
echo "qxclock at ${size} px, each clock on its own Xvfb + xcompmgr, all measured in the same ${seconds} s, ${rounds} rounds"
echo "candidate: $candidate"
[ -z "$baseline" ] || echo "baseline:  $baseline"
[ -z "$xclock" ] || echo "reference: $xclock -render -update 1 -geometry ${size}x${size} (with the second hand)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '%-6s %-8s %-9s %9s %9s %9s %8s  %s\n' round scenario build "client%" "Xvfb%" "total%" wakeups "ratios of this round"
for round in $(seq "$rounds"); do
  for name in "${scenarios[@]}"; do
    builds=(candidate)
    [ -z "$baseline" ] || builds+=(baseline)
    [ "$name" = seconds ] && [ -n "$xclock" ] && builds+=(xclock)
    # Each build is started first in turn.
    n=${#builds[@]}
    order=()
    for i in $(seq 0 $((n - 1))); do order+=("${builds[$(( (i + round) % n ))]}"); done
    measure_round "$name" "${order[@]}"
    declare -A total=()
    for b in "${builds[@]}"; do
      total[$b]=$(awk -v a="${client[$b]}" -v b="${server[$b]}" 'BEGIN { printf "%.4f", a + b }')
      echo "${total[$b]}" >>"$work/$name.$b.total"
      echo "${wakeups[$b]}" >>"$work/$name.$b.wakeups"
    done
    for b in "${builds[@]}"; do
      note=""
      if [ "$b" = candidate ]; then
        for other in "${builds[@]}"; do
          [ "$other" = candidate ] && continue
          r=$(ratio "${total[candidate]}" "${total[$other]}")
          note+="candidate / $other $r  "
          [ "$r" = n/a ] || echo "$r" >>"$work/$name.ratio.$other"
        done
      fi
      printf '%-6s %-8s %-9s %9.3f %9.3f %9.3f %8d  %s\n' "$round" "$name" "$b" \
        "${client[$b]}" "${server[$b]}" "${total[$b]}" "${wakeups[$b]}" "$note"
    done
  done
done

# Frames of the candidate without the second hand at this size: one each
# time the minute hand's tip has moved a pixel (see frame_clock.h).
period=$(awk -v s="$size" 'BEGIN { p = int(3600 / (2 * 3.141592653589793 * 0.40 * s)); if (p < 1) p = 1; if (p > 60) p = 60; print p }')
moves=$(( (seconds + period - 1) / period ))

echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "medians over $rounds rounds (CPU in % of one core, client and Xvfb together):"
for name in "${scenarios[@]}"; do
  for b in candidate baseline xclock; do
    [ -f "$work/$name.$b.total" ] || continue
    printf '  %-8s %-9s %7.3f%%  wake-ups in %d s: %g\n' "$name" "$b" \
      "$(median <"$work/$name.$b.total")" "$seconds" "$(median <"$work/$name.$b.wakeups")"
  done
  for other in baseline xclock; do
    [ -f "$work/$name.ratio.$other" ] || continue
    printf '  %-8s candidate / %-9s median of the per-round ratios %s (rounds: %s)\n' "$name" "$other" \
      "$(median <"$work/$name.ratio.$other")" "$(paste -sd' ' "$work/$name.ratio.$other")"
  done
done

unmet=0
verdict() {  # verdict CONDITION_AWK: met or NOT met
  if awk "BEGIN { exit !($1) }"; then echo met; else echo "NOT met"; fi
}
if [ -f "$work/seconds.candidate.total" ]; then
  cand=$(median <"$work/seconds.candidate.total")
  if [ -f "$work/seconds.ratio.xclock" ]; then
    r=$(median <"$work/seconds.ratio.xclock")
    v=$(verdict "$r <= 3")
    [ "$v" = met ] || unmet=$((unmet + 1))
    printf '  target: with the second hand, at most 3 times what xclock costs: %s  %s\n' "$r" "$v"
    printf '  aim (information, not a target): at most 2.5 times xclock: %s  %s\n' "$r" "$(verdict "$r <= 2.5")"
  fi
  v=$(verdict "$cand <= 0.3")
  [ "$v" = met ] || unmet=$((unmet + 1))
  printf '  target: with the second hand at %d px, at most 0.3%% of a core: %.3f%%  %s\n' "$size" "$cand" "$v"
fi
if [ -f "$work/plain.candidate.wakeups" ]; then
  cw=$(median <"$work/plain.candidate.wakeups")
  # One wake-up for each visible move (the server's reply to the frame falls
  # in the same read), and one for a move that straddles the start.
  allowed=$(( moves + 1 ))
  v=$(verdict "$cw <= $allowed")
  [ "$v" = met ] || unmet=$((unmet + 1))
  printf '  target: without it, wake only when the hands can visibly move (every %d s: at most %d in %d s): %g  %s\n' \
    "$period" "$allowed" "$seconds" "$cw" "$v"
fi
echo "$unmet target(s) not met"
