#!/usr/bin/env bash
# The whole program under a virtual display: the graphics device starts on the window's
# OpenGL context and its capabilities are in "Logfile.txt" after the run.
# Arguments: the ventrask binary and the run folder.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh" "$@"

start_and_close 1
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
# The fixed-function route has no bump-environment stage: the dump must not claim one.
grep -q "^Adapter Cant do BumpMaps" Logfile.txt || fail "the log claims bump maps: $(cat Logfile.txt)"
grep -q $'^------------------------------------------------\r$' Logfile.txt ||
  fail "the log lacks the rule line"
echo "device: ok"
