#!/usr/bin/env bash
# The engagement runner over copies of the run folder's designs with files cut short or giving no
# value (lone CR line ends, printable noise): before
# any step it names each cut file once, on stderr and in its log, prints no event and no
# counters, and ends with status 1.
#   engage_runner_damaged.sh <ventrask_engage> <run folder>
set -u
tool=$1
run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL ($case): $*"
  failures=$((failures + 1))
}

# A fresh copy of the designs and models in "$work/data" with the given files (relative to it)
# cut in the middle of their first line.
designs() {
  rm -rf "$work/data"
  mkdir -p "$work/data"
  for folder in configs controls launchers missiles motors seekers systems warheads commands radars common; do
    cp -r "$run/$folder" "$work/data/$folder" || fail "no $folder in $run"
  done
  for f in "$@"; do
    head -c 8 "$work/data/$f" >"$work/cut" && mv "$work/cut" "$work/data/$f" || fail "cannot cut $f"
  done
}

# Runs the tool on the copy from the work folder, where its log lands.
engage() {
  rm -f "$work/Engagelog.txt"
  (cd "$work" && "$tool" data "$@" >out.txt 2>err.txt)
  status=$?
}

# Each file is named once on stderr and once in the log, and stderr names nothing else.
expect_named() {
  [ "$status" -eq 1 ] || fail "status $status, not 1"
  [ ! -s "$work/out.txt" ] || fail "the run went ahead: $(head -n 3 "$work/out.txt")"
  for f in "$@"; do
    local name=${f/\//\\}
    local said logged
    said=$(grep -cF "$name cannot be read whole: " "$work/err.txt")
    logged=$(grep -cF "$name cannot be read whole: " "$work/Engagelog.txt" 2>/dev/null)
    [ "${said:-0}" -eq 1 ] || fail "$name named ${said:-0} times on stderr"
    [ "${logged:-0}" -eq 1 ] || fail "$name named ${logged:-0} times in Engagelog.txt"
  done
  local lines
  lines=$(wc -l <"$work/err.txt")
  [ "$lines" -eq $# ] || fail "$lines lines on stderr for $# files: $(cat "$work/err.txt")"
}

case="a cut motor of a system that never fires"
designs "motors/Sentinel MR.txt"
engage --system "Sentinel MR" 0 0 0
expect_named "motors/Sentinel MR.txt"
grep -qxF 'motors\Sentinel MR.txt cannot be read whole: it stops in the middle of a line before its "@" line' \
  "$work/err.txt" || fail "the why is not the reader's: $(cat "$work/err.txt")"

case="the six part files of both systems cut"
parts=()
for design in "New" "Sentinel MR"; do
  for pair in "configs Config" "motors Motor" "warheads Warhead" "seekers Seeker" "launchers Launcher" \
    "controls Control"; do
    set -- $pair
    if [ "$design" = New ]; then parts+=("$1/New $2.txt"); else parts+=("$1/$design.txt"); fi
  done
done
designs "${parts[@]}"
engage --system "New Missile" 0 0 0 --system "Sentinel MR" 3000 0 0 --system "Sentinel MR" -3000 0 0 \
  --launcher 0 12000 2 20 57 --launcher 2000 20000 2 25 57
expect_named "${parts[@]}"

case="a motor whose line ends are lone CRs and a seeker of printable noise"
designs
tr '\n' '\r' <"$work/data/motors/Sentinel MR.txt" >"$work/cr" && mv "$work/cr" "$work/data/motors/Sentinel MR.txt"
awk 'BEGIN { srand(3); for (i = 0; i < 2000; i++) printf "%c", (i == 1000 ? "@" : sprintf("%c", 65 + int(rand() * 26))) }' \
  >"$work/data/seekers/Sentinel MR.txt"
engage --system "Sentinel MR" 0 0 0
expect_named "motors/Sentinel MR.txt" "seekers/Sentinel MR.txt"
grep -qxF 'motors\Sentinel MR.txt cannot be read whole: none of its values can be read' "$work/err.txt" \
  || fail "the why is not the reader's: $(cat "$work/err.txt")"

[ "$failures" -eq 0 ] && echo "engage_runner_damaged: passed"
exit $((failures > 0))
