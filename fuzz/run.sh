#!/usr/bin/env bash
# Builds every fuzz target (clang, libFuzzer, AddressSanitizer and UBSan) in
# build-fuzz/ and runs each for SECONDS (default 60) on a seed corpus taken
# from data/, with a length limit that suits its format. Prints executions
# per second, coverage at the start (the seeds) and at the end, and findings;
# fails when a target finds a fault or ends below the coverage of its seeds.
# Usage: fuzz/run.sh [SECONDS] [TARGET...]
#   DW_FUZZ_JOBS=N   targets run at the same time (default 2)
#   DW_FUZZ_KEEP=1   keep the corpora grown by earlier runs instead of
#                    starting again from the seeds
set -euo pipefail
seconds=${1:-60}
shift || true
case "$seconds" in '' | *[!0-9]*) echo "usage: fuzz/run.sh [SECONDS] [TARGET...]" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-fuzz
jobs=${DW_FUZZ_JOBS:-2}

# Length limits: each a little above the largest valid file of the format,
# so the seeds are read whole.
declare -A max_len=(
  [car_file]=4096 [cursor_file]=8192 [editor_bmp]=140000 [font_image]=20000
  [ini_parser]=4096 [language_parser]=8192 [palette_file]=2048 [options_file]=512
  [track_reader]=40000 [track_maps]=40000 [editor_document]=40000 [terrain_render]=40000
  [wav_loader]=16384 [save_game]=32768 [replay_block]=8192
)

# ---- Tools ------------------------------------------------------------------
"$here/scripts/install-packages.sh" clang libclang-rt-14-dev cmake make pkg-config libsdl1.2-dev libgtest-dev python3
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>"$probe/err"; then
  echo "clang++ cannot build a libFuzzer program:" >&2
  cat "$probe/err" >&2
  exit 1
fi

# ---- Build ------------------------------------------------------------------
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DDW_FUZZ=ON -DDW_BENCH=OFF -DDW_EDITOR_UI=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
all_targets=()
for src in "$here"/fuzz/*.cpp; do all_targets+=("$(basename "$src" .cpp)"); done
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# ---- Seeds ------------------------------------------------------------------
# Copies of shipped files only: nothing is ever written into data/.
copy_seeds() {  # target folder
  local target=$1 dir=$2 f
  case "$target" in
    track_reader | track_maps | editor_document | terrain_render | editor_bmp)
      find "$here/data/tracks" -name '*.trk' | while read -r f; do
        cp "$f" "$dir/$(echo "${f#"$here"/data/tracks/}" | tr / _)"
      done ;;
  esac
  case "$target" in
    cursor_file) cp "$here/data/courseforge.cur" "$dir/" ;;
    editor_bmp | font_image) cp "$here/data/font.bmp" "$dir/" ;;
    ini_parser) cp "$here/data/dw.ini" "$dir/" ;;
    language_parser) cp "$here"/data/lang/*.lng "$dir/" ;;
    palette_file) cp "$here"/data/palettes/*.pal "$dir/" ;;
    wav_loader)
      # The shipped sounds are far longer than a useful length limit: each
      # is cut to a valid WAV of its own format with a short data chunk.
      python3 - "$dir" "$here"/data/sounds/*/*.wav <<'PY'
import os, struct, sys
out = sys.argv[1]
for path in sys.argv[2:]:
    raw = open(path, 'rb').read()
    if raw[:4] != b'RIFF' or raw[8:12] != b'WAVE':
        continue
    pos, chunks, align = 12, [], 1
    while pos + 8 <= len(raw):
        cid, size = raw[pos:pos + 4], struct.unpack('<I', raw[pos + 4:pos + 8])[0]
        body = raw[pos + 8:pos + 8 + size]
        if cid == b'fmt ' and len(body) >= 14:
            align = max(1, struct.unpack('<H', body[12:14])[0])
        chunks.append((cid, body))
        pos += 8 + size + (size & 1)
    for frames in (1, 64, 700):
        parts = b''
        for cid, body in chunks:
            if cid == b'data':
                body = body[:frames * align]
            parts += cid + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b'')
        name = os.path.basename(path)[:-4] + '_%d.wav' % frames
        open(os.path.join(out, name), 'wb').write(b'RIFF' + struct.pack('<I', 4 + len(parts)) + b'WAVE' + parts)
PY
      ;;
  esac
}

# ---- Runs -------------------------------------------------------------------
results=$build/fuzz-results
mkdir -p "$results"
run_one() {  # target
  local target=$1 work=$results/$1
  if [ "${DW_FUZZ_KEEP:-0}" != 1 ]; then rm -rf "$work"; fi
  mkdir -p "$work/corpus" "$work/artifacts"
  copy_seeds "$target" "$work/corpus"
  local status=0
  DW_FUZZ_SEEDS="$work/corpus" SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz_$target" "$work/corpus" -max_len="${max_len[$target]:-8192}" -max_total_time="$seconds" \
    -timeout=30 -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
    >"$work/log.txt" 2>&1 || status=$?
  echo "$status" >"$work/status"
}

running=0
for target in "${targets[@]}"; do
  echo "fuzzing $target for $seconds s (max_len ${max_len[$target]:-8192})"
  run_one "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

# ---- Report -----------------------------------------------------------------
failed=0
printf '\n%-16s %10s %9s %9s %9s %7s  %s\n' target exec/s seed-cov end-cov features corpus findings
for target in "${targets[@]}"; do
  work=$results/$target log=$results/$target/log.txt
  seed_cov=$(grep -m1 -o 'INITED cov: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
  end_line=$(grep -E '(DONE|#[0-9]+).*cov: [0-9]+' "$log" | tail -n1 || true)
  end_cov=$(echo "$end_line" | grep -o 'cov: [0-9]*' | grep -o '[0-9]*$' || true)
  features=$(echo "$end_line" | grep -o 'ft: [0-9]*' | grep -o '[0-9]*$' || true)
  corpus=$(echo "$end_line" | grep -o 'corp: [0-9]*' | grep -o '[0-9]*$' || true)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  findings=$(find "$work/artifacts" -type f | wc -l)
  note="$findings"
  if [ "$(cat "$work/status")" != 0 ] || [ "$findings" -gt 0 ]; then
    note="$findings (exit $(cat "$work/status"); see $log)"
    failed=1
  elif [ -z "$seed_cov" ] || [ -z "$end_cov" ] || [ "$end_cov" -lt "$seed_cov" ]; then
    note="coverage below the seeds' (see $log)"
    failed=1
  fi
  printf '%-16s %10s %9s %9s %9s %7s  %s\n' "$target" "${rate:-?}" "${seed_cov:-?}" "${end_cov:-?}" \
    "${features:-?}" "${corpus:-?}" "$note"
done
exit $failed
