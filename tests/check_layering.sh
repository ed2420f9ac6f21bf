#!/usr/bin/env bash
# Fails when code above platform/ includes a system library's header.
set -u
top=${1:-.}
pattern='#\s*include\s*[<"](SDL|GL/|GLES|EGL/|AL/|al\.h|alc\.h|mpg123|espeak|ft2build|freetype|jpeglib|stb|rfftw|fftw|X11/)'
hits=$(grep -rnE "$pattern" "$top"/core "$top"/simulation "$top"/shell "$top"/world "$top"/ui "$top"/design "$top"/main 2>/dev/null)
if [ -n "$hits" ]; then
  echo "System headers above the platform layer:"
  echo "$hits"
  exit 1
fi
echo "layering: clean"
