#!/usr/bin/env bash
# Builds Vexmoor and runs every test: a normal build, an AddressSanitizer +
# UndefinedBehaviorSanitizer build, and (when fuzz targets exist) a short
# libFuzzer run of each. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$(pwd)
JOBS=${VX_JOBS:-8}

PACKAGES=(cmake g++ make libsfml-dev googletest libgtest-dev libbenchmark-dev fonts-inconsolata
          xvfb xauth xdotool x11-apps clang-14 libclang-rt-14-dev)

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

install_missing "${PACKAGES[@]}"

export ALSOFT_DRIVERS=null
# fast_unwind_on_malloc=1: the slow unwinder deadlocks inside Mesa's llvmpipe
# (it takes the unwinder's lock that LLVM holds while registering JIT code).
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"

FAILED=()

stage() { echo "== $(date +%T) $*"; }

run_ctest() {
  local dir=$1
  shift
  # -noreset: the server would otherwise reset whenever its last client
  # leaves, refusing the next test's connection meanwhile.
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$dir" --output-on-failure -j"$JOBS" "$@"
}

stage "normal build (build/)"
if cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_WERROR=ON &&
   cmake --build "$ROOT/build" -j"$JOBS"; then
  run_ctest "$ROOT/build" || FAILED+=("tests (normal build)")
else
  FAILED+=("normal build")
fi

stage "sanitizer build (build-asan/)"
# -O1: quicker to compile than -O2, still fast enough to run.
if cmake -S "$ROOT" -B "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
     -DVX_SANITIZE=ON -DVX_BENCH=OFF -DVX_WERROR=ON &&
   cmake --build "$ROOT/build-asan" -j"$JOBS"; then
  # The window tests run with leak checking off: at exit the software GL
  # driver's threads now and then crash LeakSanitizer's tracer, and what it
  # would report there is the driver's own. Every other test keeps it on.
  run_ctest "$ROOT/build-asan" -LE window || FAILED+=("tests (sanitizer build)")
  ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" run_ctest "$ROOT/build-asan" -L window ||
    FAILED+=("window tests (sanitizer build)")
else
  FAILED+=("sanitizer build")
fi

shopt -s nullglob
FUZZ_SOURCES=("$ROOT"/fuzz/*.cpp)
if ((${#FUZZ_SOURCES[@]})); then
  stage "fuzz build (build-fuzz/)"
  if CC=clang-14 CXX=clang++-14 cmake -S "$ROOT" -B "$ROOT/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_FUZZ=ON -DVX_WERROR=ON &&
     cmake --build "$ROOT/build-fuzz" -j"$JOBS"; then
    # The targets run side by side, about 30 s each, in scratch dirs.
    FUZZ_TMP=$(mktemp -d)
    declare -A FUZZ_PID=()
    for src in "${FUZZ_SOURCES[@]}"; do
      name=$(basename "$src" .cpp)
      work="$FUZZ_TMP/$name"
      mkdir -p "$work/corpus"
      # Seeds from fuzz/corpus/<target>/ or fuzz/corpus/<target without _fuzz>/.
      for seeds in "$ROOT/fuzz/corpus/$name" "$ROOT/fuzz/corpus/${name%_fuzz}"; do
        if [ -d "$seeds" ]; then cp -r "$seeds"/. "$work/corpus"/; fi
      done
      echo "   fuzzing $name for 30 s"
      (cd "$work" && exec "$ROOT/build-fuzz/$name" -max_total_time=30 -rss_limit_mb=2048 -timeout=10 \
         -print_final_stats=1 "$work/corpus" > "$work/log" 2>&1) &
      FUZZ_PID[$name]=$!
    done
    for name in "${!FUZZ_PID[@]}"; do
      if wait "${FUZZ_PID[$name]}"; then
        rate=$(grep -m1 -o 'average_exec_per_sec: *[0-9]*' "$FUZZ_TMP/$name/log" | grep -o '[0-9]*$' || true)
        echo "   $name: $(grep -m1 -o 'Done [0-9]* runs.*' "$FUZZ_TMP/$name/log" || echo done)${rate:+ ($rate inputs/s)}"
      else
        echo "   $name FAILED:"
        tail -n 60 "$FUZZ_TMP/$name/log"
        FAILED+=("fuzz $name")
      fi
    done
    rm -rf "$FUZZ_TMP"
  else
    FAILED+=("fuzz build")
  fi
fi

if ((${#FAILED[@]})); then
  stage "FAILED: ${FAILED[*]}"
  exit 1
fi
stage "all tests passed"
