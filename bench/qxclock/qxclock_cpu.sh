#!/usr/bin/env bash
# qxclock_cpu.sh - what a running qxclock window costs the machine, against a
# baseline build of qxclock and against xclock, measured in the same rounds.
#
#   bash bench/qxclock/qxclock_cpu.sh --baseline OLD_QXCLOCK [--candidate NEW_QXCLOCK]
#                                     [--rounds N] [--seconds S] [--size PX]
#                                     [--only seconds|plain] [--no-xclock]
#
# OLD_QXCLOCK is a build of the qxclock to compare with, e.g. of the commit
# before a change, built out of the tree:
#   git archive REV | tar -x -C build/baseline-src
#   cmake -S build/baseline-src -B build/baseline -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
#   cmake --build build/baseline --target quillkit_qxclock   # build/baseline/tools/qxclock/qxclock
#
# Each measurement starts a private Xvfb (640x480x24) with xcompmgr as the
# compositing manager, starts the clock at PX pixels (default 256), lets it
# settle for 2 s, and then reads the CPU time (utime + stime in
# /proc/PID/stat) of the clock and of Xvfb over S seconds (default 20). Two
# scenarios: with the second hand (--seconds) and without (--no-seconds), both
# with --window, which old and new builds understand. Meanwhile the clock's
# context switches (/proc/PID/status) are sampled every 50 ms: a sample in
# which they grew is a wake-up. With the second hand, `xclock -render -update
# 1` at the same size (a clock that ticks once a second) is measured in the
# same way, unless --no-xclock.
#
# A round measures each build once in each scenario, in an order that rotates
# from round to round; the figures are the medians over the rounds, and each
# ratio is the median of the per-round ratios candidate / baseline and
# candidate / xclock. Targets with the second hand: at most 0.3% of a core,
# and at most three times what xclock costs. Needs Xvfb, xcompmgr and
# xwininfo (Debian packages xvfb, xcompmgr, x11-utils), and xclock (x11-apps).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
baseline=""
candidate="$here/../../build/default/tools/qxclock/qxclock"
rounds=5
seconds=20
size=256
settle=2
only=""
xclock=xclock

while [ $# -gt 0 ]; do
  case "$1" in
    --baseline) baseline=$2; shift 2 ;;
    --candidate) candidate=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --no-xclock) xclock=""; shift ;;
    *) echo "usage: $0 --baseline QXCLOCK [--candidate QXCLOCK] [--rounds N] [--seconds S] [--size PX] [--only seconds|plain] [--no-xclock]" >&2
       exit 2 ;;
  esac
done
[ -n "$baseline" ] || { echo "$0: --baseline QXCLOCK is required (a build of the old qxclock)" >&2; exit 2; }
for tool in Xvfb xcompmgr xwininfo $xclock; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
done
for bin in "$baseline" "$candidate"; do
  [ -x "$bin" ] || { echo "$0: $bin is not an executable" >&2; exit 2; }
done

tick=$(getconf CLK_TCK)
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

cpu_ticks() {  # utime + stime of a process
  local stat
  stat=$(<"/proc/$1/stat")
  stat=${stat##*) }  # past the command name, which may hold spaces
  set -- $stat
  echo $(( ${12} + ${13} ))
}

switches() {  # voluntary + involuntary context switches of a process
  awk '/ctxt_switches/ { n += $2 } END { print n }' "/proc/$1/status"
}

# Whether a window named $2 is on display $1. (Not a pipe into grep -q: with
# pipefail, xwininfo killed by SIGPIPE would fail the test at random.)
has_window() {
  local tree
  tree=$(DISPLAY=$1 xwininfo -root -tree 2>/dev/null) || return 1
  [[ $tree == *"\"$2\""* ]]
}

# Stops what the last measurement started.
stop_all() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  pids=()
}

# measure WINDOW_NAME BINARY ARGS...: sets client and server (CPU in % of a
# core) and wakeups. Runs in this shell, so that a failure stops the script
# and the EXIT trap ends what it started.
measure() {
  local name=$1 bin=$2; shift 2
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  local xvfb=$!; pids+=("$xvfb")
  wait_for grep -q . "$work/display" || { echo "$0: Xvfb did not start" >&2; exit 1; }
  local display=":$(<"$work/display")"
  # Now and then the first connection after the server's start is refused:
  # try xcompmgr up to three times.
  local comp try
  for try in 1 2 3; do
    xcompmgr -d "$display" >/dev/null 2>"$work/xcompmgr.err" &
    comp=$!
    wait_for has_window "$display" xcompmgr && break
    kill "$comp" 2>/dev/null || true
    wait "$comp" 2>/dev/null || true
    comp=""
  done
  [ -n "$comp" ] || { echo "$0: xcompmgr did not start: $(<"$work/xcompmgr.err")" >&2; exit 1; }
  pids+=("$comp")
  DISPLAY=$display "$bin" "$@" >/dev/null 2>"$work/clock.err" &
  local clock=$!; pids+=("$clock")
  wait_for has_window "$display" "$name" ||
    { echo "$0: no $name window: $(<"$work/clock.err")" >&2; exit 1; }
  nap "$settle"

  local c0 s0 t0 c1 s1 t1 last now
  wakeups=0
  c0=$(cpu_ticks "$clock"); s0=$(cpu_ticks "$xvfb"); t0=$EPOCHREALTIME
  last=$(switches "$clock")
  local end=$(( ${t0/./} + seconds * 1000000 ))  # in microseconds
  while [ "${EPOCHREALTIME/./}" -lt "$end" ]; do
    nap 0.05
    now=$(switches "$clock")
    [ "$now" -gt "$last" ] && wakeups=$((wakeups + 1))
    last=$now
  done
  c1=$(cpu_ticks "$clock"); s1=$(cpu_ticks "$xvfb"); t1=$EPOCHREALTIME
  stop_all
  read -r client server < <(awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v t0="$t0" -v t1="$t1" \
    -v tick="$tick" 'BEGIN { t = t1 - t0; printf "%.4f %.4f\n", 100 * c / tick / t, 100 * s / tick / t }')
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit; printf "%.3f\n", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

scenarios=()
[ "$only" = plain ] || scenarios+=("seconds:--window --seconds --size $size")
[ "$only" = seconds ] || scenarios+=("plain:--window --no-seconds --size $size")
echo "qxclock at ${size} px under Xvfb + xcompmgr, ${seconds} s per measurement, ${rounds} rounds"
echo "baseline:  $baseline"
echo "candidate: $candidate"
[ -z "$xclock" ] || echo "reference: $xclock -render -update 1 -geometry ${size}x${size} (with the second hand)"
echo
printf '%-6s %-8s %-9s %9s %9s %9s %8s\n' round scenario build "client%" "Xvfb%" "total%" wakeups
for round in $(seq "$rounds"); do
  for entry in "${scenarios[@]}"; do
    name=${entry%%:*}; args=${entry#*:}
    builds=(baseline candidate)
    [ "$name" = seconds ] && [ -n "$xclock" ] && builds+=(xclock)
    # Each build goes first in turn.
    n=${#builds[@]}
    for i in $(seq 0 $((n - 1))); do
      build=${builds[$(( (i + round) % n ))]}
      # shellcheck disable=SC2086
      case $build in
        baseline) measure qxclock "$baseline" $args ;;
        candidate) measure qxclock "$candidate" $args ;;
        xclock) measure xclock "$(command -v "$xclock")" -render -update 1 -geometry "${size}x${size}" ;;
      esac
      total=$(awk -v a="$client" -v b="$server" 'BEGIN { printf "%.4f", a + b }')
      printf '%-6s %-8s %-9s %9.3f %9.3f %9.3f %8d\n' "$round" "$name" "$build" "$client" "$server" "$total" "$wakeups"
      echo "$total" >>"$work/$name.$build.total"
      echo "$wakeups" >>"$work/$name.$build.wakeups"
    done
    for other in "${builds[@]}"; do
      [ "$other" = candidate ] && continue
      paste -d' ' <(tail -n1 "$work/$name.candidate.total") <(tail -n1 "$work/$name.$other.total") |
        awk '$2 > 0 { print $1 / $2 }' >>"$work/$name.ratio.$other"
    done
  done
done

# Frames of the candidate without the second hand at this size: one each
# time the minute hand's tip has moved a pixel (see frame_clock.h).
period=$(awk -v s="$size" 'BEGIN { p = int(3600 / (2 * 3.141592653589793 * 0.40 * s)); if (p < 1) p = 1; if (p > 60) p = 60; print p }')
moves=$(( (seconds + period - 1) / period ))

echo
echo "medians over $rounds rounds (CPU in % of one core, client and Xvfb together):"
unmet=0
names=()
for entry in "${scenarios[@]}"; do names+=("${entry%%:*}"); done
for name in "${names[@]}"; do
  base=$(median <"$work/$name.baseline.total")
  cand=$(median <"$work/$name.candidate.total")
  # A round whose baseline measured 0 ticks has no ratio.
  ratio=$(median <"$work/$name.ratio.baseline"); ratio=${ratio:-n/a}
  bw=$(median <"$work/$name.baseline.wakeups")
  cw=$(median <"$work/$name.candidate.wakeups")
  printf '  %-8s baseline %7.3f%%  candidate %7.3f%%  ratio %s  wake-ups in %d s: %g -> %g\n' \
    "$name" "$base" "$cand" "$ratio" "$seconds" "$bw" "$cw"
  if [ -f "$work/$name.xclock.total" ]; then
    ref=$(median <"$work/$name.xclock.total")
    rw=$(median <"$work/$name.xclock.wakeups")
    printf '  %-8s xclock   %7.3f%%  candidate / xclock: median ratio %s  wake-ups in %d s: %g\n' \
      "$name" "$ref" "$(median <"$work/$name.ratio.xclock" || true)" "$seconds" "$rw"
  fi
done
if [ -f "$work/seconds.candidate.total" ]; then
  cand=$(median <"$work/seconds.candidate.total")
  if awk -v c="$cand" 'BEGIN { exit !(c <= 0.3) }'; then verdict=met; else verdict="NOT met"; unmet=$((unmet + 1)); fi
  printf '  target: with the second hand at %d px, at most 0.3%% of a core: %.3f%%  %s\n' "$size" "$cand" "$verdict"
  if [ -f "$work/seconds.xclock.total" ]; then
    # Rounds in which xclock measured no tick at all have no ratio; then the
    # medians are compared.
    ratio=$(median <"$work/seconds.ratio.xclock")
    ref=$(median <"$work/seconds.xclock.total")
    if [ -n "$ratio" ]; then
      figure="median ratio $ratio"
      ok=$(awk -v r="$ratio" 'BEGIN { print (r <= 3) }')
    else
      figure="$cand% against $ref%"
      ok=$(awk -v c="$cand" -v x="$ref" 'BEGIN { print (c <= 3 * x) }')
    fi
    if [ "$ok" = 1 ]; then verdict=met; else verdict="NOT met"; unmet=$((unmet + 1)); fi
    printf '  target: with the second hand, at most three times what xclock costs: %s  %s\n' "$figure" "$verdict"
  fi
fi
if [ -f "$work/plain.candidate.wakeups" ]; then
  cw=$(median <"$work/plain.candidate.wakeups")
  # One wake-up for each visible move (the server's reply to the frame falls
  # in the same sample), and one for a move that straddles the start.
  allowed=$(( moves + 1 ))
  if awk -v c="$cw" -v a="$allowed" 'BEGIN { exit !(c <= a) }'; then verdict=met; else verdict="NOT met"; unmet=$((unmet + 1)); fi
  printf '  target: without it, wake only when the hands can visibly move (every %d s: at most %d in %d s): %g  %s\n' \
    "$period" "$allowed" "$seconds" "$cw" "$verdict"
fi
echo "$unmet target(s) not met"
