#!/usr/bin/env bash
# Set-up, build, and start the program (with the local speech service when it is available).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build="$root/build"
cmake -S "$root" -B "$build"
cmake --build "$build" --parallel "$(nproc)" --target tts-tool tts-service
if [ -x "$build/service/tts-service" ] && [ -x "$root/scripts/start-service.sh" ]; then
  "$root/scripts/start-service.sh" "$build"
fi
exec "$build/app/tts-tool"
