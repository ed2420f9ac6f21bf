#!/usr/bin/env bash
# The whole program under a virtual display: the graphics device starts on the window's
# OpenGL context and its capabilities are in "Logfile.txt" after the run.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
binary=$1
run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$run"/. "$work"/
cp "$binary" "$work/ventrask"
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

cat > session.sh <<'INNER'
set -u
./ventrask &
pid=$!
window=""
for _ in $(seq 1 600); do
  window=$(xdotool search --onlyvisible --name '^Ventrask$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window"; kill -KILL "$pid" 2>/dev/null; exit 90; }
sleep 1
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended by itself"; exit 92; }
kill -TERM "$pid"
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; exit 93; fi
wait "$pid"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash session.sh
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status"
[ -f Logfile.txt ] || fail "no Logfile.txt after the run"
for line in "Adapter is " "Texture memory = " "Max texture size = " "Max volume size = " \
            "Max textures = " "Max stages = " "Max clip planes = " "Max active lights = " \
            "Vertex Shader Version = " "Pixel Shader Version = " "Adapter Can do A8R8G8B8" \
            "Adapter Can do V8U8" "Adapter Can do VertexFog" "Adapter Can do TableFog" \
            "Adapter Can do Shaders" "Adapter Can do VolumeTex" "Adapter Can do ShadowVolume" \
            "Adapter Can do 32BitIndexBuffers"; do
  grep -q "^$line" Logfile.txt || fail "the log lacks \"$line\": $(cat Logfile.txt)"
done
grep -q $'^------------------------------------------------\r$' Logfile.txt ||
  fail "the log lacks the rule line"
echo "device: ok"
