#!/usr/bin/env bash
# Starts the local speech service (tts-service) in the background unless something already
# listens on its port, and waits until it does. The port comes from the TTS_SERVICE_HOST the
# build was configured with (default localhost:8443); a host that is not this machine is left
# alone. The audio store, certificate and log go to ${XDG_DATA_HOME:-~/.local/share}/tts-service.
#   scripts/start-service.sh <build-dir>
set -euo pipefail
build=${1:?usage: start-service.sh <build-dir>}
binary="$build/service/tts-service"
[ -x "$binary" ] || { echo "start-service: $binary is not built" >&2; exit 1; }

host=$(sed -n 's/^TTS_SERVICE_HOST:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
host=${host:-localhost:8443}
case "$host" in
  \[*\]:*) address=${host%%]:*}; address=${address#[}; port=${host##*]:} ;;
  \[*\]) address=${host#[}; address=${address%]}; port=443 ;;
  *:*) address=${host%%:*}; port=${host##*:} ;;
  *) address=$host; port=443 ;;
esac
case "$address" in
  localhost|127.*|::1) ;;
  *) echo "start-service: the service host $host is not this machine; nothing to start"; exit 0 ;;
esac
probe=$address
[ "$probe" = localhost ] && probe=127.0.0.1

listening() { (exec 3<>"/dev/tcp/$probe/$port") 2>/dev/null; }

if listening; then
  echo "start-service: something already listens on $host"
  exit 0
fi

data="${XDG_DATA_HOME:-$HOME/.local/share}/tts-service"
mkdir -p "$data"
log="$data/service.log"
setsid nohup "$binary" --address "$address" --port "$port" --data "$data" >>"$log" 2>&1 </dev/null &
pid=$!
for _ in $(seq 100); do
  if listening; then
    echo "start-service: tts-service (pid $pid) listens on $host; log in $log"
    exit 0
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
echo "start-service: tts-service did not come up; the end of $log:" >&2
tail -n 5 "$log" >&2
exit 1
