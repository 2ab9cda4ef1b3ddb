#!/usr/bin/env bash
# Builds the game alone (build/vexmoor, without the tests and benchmarks)
# and starts it from the build directory, with the configuration of the
# folder this is run from.
set -euo pipefail
HERE=$(pwd)
# The game runs in build/: the configuration is the caller's vx-config.txt,
# and a relative VEXMOOR_CONFIG or VEXMOOR_LOG is taken from the caller's
# folder too.
absolute() { case "$1" in /*) printf '%s' "$1" ;; *) printf '%s/%s' "$HERE" "$1" ;; esac; }
export VEXMOOR_CONFIG=$(absolute "${VEXMOOR_CONFIG:-vx-config.txt}")
if [ -n "${VEXMOOR_LOG:-}" ]; then export VEXMOOR_LOG=$(absolute "$VEXMOOR_LOG"); fi
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$(pwd)

PACKAGES=(cmake g++ make libsfml-dev fonts-inconsolata)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_GAME_ONLY=ON -DVX_WERROR=OFF
cmake --build "$ROOT/build" -j"${VX_JOBS:-8}" --target vexmoor
cd "$ROOT/build"
if [ ! -x ./vexmoor ]; then
  echo "play.sh: build/vexmoor was not built" >&2
  exit 1
fi
# The log, found as the engine finds it: VEXMOOR_LOG when set, else the
# value of the configuration's first logfile entry (comment lines are those
# starting with '#'; white space goes; entries end at ',' and a key and its
# value at ':'; an entry of ':' alone ends the reading), else vexmoor.log.
if [ -n "${VEXMOOR_LOG+set}" ]; then
  log=$VEXMOOR_LOG
else
  log=""
  if [ -f "$VEXMOOR_CONFIG" ] && [ -r "$VEXMOOR_CONFIG" ]; then
    log=$(awk '
      { sub(/\r$/, ""); if ($0 != "" && substr($0, 1, 1) != "#") text = text $0 }
      END {
        gsub(/[[:space:]]/, "", text)
        n = split(text, entries, ",")
        for (i = 1; i <= n; i++) {
          if (entries[i] == "") continue
          m = split(entries[i], parts, ":")
          k = 0
          for (j = 1; j <= m; j++) if (parts[j] != "") words[++k] = parts[j]
          if (k == 0) exit
          if (words[1] == "logfile") { if (k > 1) print words[2]; exit }
        }
      }' "$VEXMOOR_CONFIG" || true)
  fi
  log=${log:-vexmoor.log}
fi
case "$log" in "" | /*) ;; *) log="$(pwd)/$log" ;; esac
# The engine rewrites its log at every start, so a log this run wrote is
# another file, or has another size or time, than before the run; one it
# could not open (a folder, a file it may not write) is as it was. Where
# every write failed (root may open /proc/version) it is empty.
log_state() { stat -L -c '%F %d %i %s %.9Y %.9Z' -- "$1" 2>/dev/null || echo none; }
before=$(log_state "$log")
status=0
./vexmoor || status=$?
if [ "$status" -ne 0 ]; then
  echo "play.sh: vexmoor exited with $status" >&2
  if [ -z "$log" ]; then
    echo "play.sh: VEXMOOR_LOG is set but empty, a name the engine cannot open: its start-up failed, for the reason in the lines above" >&2
  elif [ -e "$log" ] && [ ! -d "$log" ] && [ ! -f "$log" ]; then
    echo "play.sh: the engine's log $log is not a regular file, so it is not shown" >&2
  elif [ ! -f "$log" ] || [ "$(log_state "$log")" = "$before" ]; then
    echo "play.sh: the engine could not write its log $log: its reason is in the lines above" >&2
  elif [ ! -s "$log" ]; then
    echo "play.sh: the engine's log $log holds none of this run's lines" >&2
  else
    echo "play.sh: the last lines of $log:" >&2
    tail -n 15 -- "$log" >&2
  fi
fi
exit "$status"
