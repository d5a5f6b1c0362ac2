#!/usr/bin/env bash
# Cached requests under load: starts tts-service on a free loopback port with a scratch data
# folder, asks for one synthesis, then has wrk (a second process) repeat that same request over
# 32 keep-alive HTTPS connections, so every answer comes from the store. Prints requests per
# second and the p50/p99 latency; the target is p99 under 20 ms.
#   bench/service/cached_load.sh <build-dir> [seconds, default 10]
set -euo pipefail
build=${1:?usage: cached_load.sh <build-dir> [seconds]}
seconds=${2:-10}
binary="$build/service/tts-service"
[ -x "$binary" ] || { echo "cached_load: $binary is not built" >&2; exit 1; }
command -v wrk >/dev/null || { echo "cached_load: wrk is not installed (scripts/setup.sh)" >&2; exit 1; }

scratch=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid"; wait "$pid" || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

"$binary" --port 0 --data "$scratch/data" 2>"$scratch/service.log" &
pid=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on https:\/\/localhost:\([0-9]*\).*/\1/p' "$scratch/service.log")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "cached_load: the service did not start:" >&2; cat "$scratch/service.log" >&2; exit 1; }

body='value=我是一只小小鸟&voice=Ruoxi&volume=50&speech_rate=0&pitch_rate=0&type=1'
url="https://127.0.0.1:$port/functions/tts/text"
first=$(curl -sk --data-binary "$body" -H 'Content-Type: application/x-www-form-urlencoded' "$url")
case "$first" in
  '{"code":0,'*) ;;
  *) echo "cached_load: the priming request failed: $first" >&2; exit 1 ;;
esac

cat >"$scratch/post.lua" <<LUA
wrk.method = "POST"
wrk.body = "$body"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
LUA
wrk -t2 -c32 -d"${seconds}s" --latency -s "$scratch/post.lua" "$url" | tee "$scratch/wrk.txt"

rps=$(awk '/^Requests\/sec:/ {print $2}' "$scratch/wrk.txt")
p50=$(awk '$1 == "50%" {print $2}' "$scratch/wrk.txt")
p99=$(awk '$1 == "99%" {print $2}' "$scratch/wrk.txt")
errors=$(awk '/Non-2xx or 3xx responses:/ {print $NF}' "$scratch/wrk.txt")
syntheses=$(grep -c 'synthesis failed' "$scratch/service.log" || true)
echo "cached load (32 connections, ${seconds}s): ${rps} requests/s, p50 ${p50}, p99 ${p99} (target p99 < 20ms); non-2xx: ${errors:-0}; failed syntheses: ${syntheses}"
