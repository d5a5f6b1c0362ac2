#!/usr/bin/env bash
# Set-up, build, and start the program; the local speech service is started first when the
# program's service host is this machine and nothing listens there yet.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build="$root/build"
cmake -S "$root" -B "$build"
cmake --build "$build" --parallel "$(nproc)" --target tts-tool tts-service
"$root/scripts/start-service.sh" "$build"
exec "$build/app/tts-tool"
