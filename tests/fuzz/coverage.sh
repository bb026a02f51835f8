#!/usr/bin/env bash
# Line coverage that a fuzz corpus reaches in the code under each harness,
# with clang's source-based coverage: builds the two replay programs
# instrumented (build directory build-coverage, or $QUILLMAP_COVERAGE_DIR),
# runs each once over its committed seeds and over build-fuzz/corpus/<harness>
# when that exists (what .ci/run or a local fuzzing run left there), and
# prints llvm-cov's report for the files each harness is for.
# Needs clang-14 and llvm-14 (llvm-profdata-14, llvm-cov-14).
set -euo pipefail
cd "$(dirname "$0")/../.."
for tool in clang++-14 llvm-profdata-14 llvm-cov-14; do
  if ! command -v "$tool" > /dev/null; then
    echo "coverage.sh: $tool is missing; install the Debian packages clang-14 and llvm-14" >&2
    exit 2
  fi
done
dir=${QUILLMAP_COVERAGE_DIR:-build-coverage}
cmake -S . -B "$dir" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Debug \
  -DQUILLMAP_COVERAGE=ON > /dev/null
cmake --build "$dir" -j"$(nproc)" --target mesh_fuzz_replay line_fuzz_replay > /dev/null

report() {
  local harness=$1
  shift
  local corpus=("tests/fuzz/corpus/$harness")
  if [ -d "build-fuzz/corpus/$harness" ] && [ -n "$(ls -A "build-fuzz/corpus/$harness")" ]; then
    corpus+=("build-fuzz/corpus/$harness")
  fi
  rm -f "$dir/$harness.profraw"
  LLVM_PROFILE_FILE="$dir/$harness.profraw" "$dir/tests/fuzz/${harness}_fuzz_replay" "${corpus[@]}" \
    | tail -n 1
  llvm-profdata-14 merge -o "$dir/$harness.profdata" "$dir/$harness.profraw"
  llvm-cov-14 report "$dir/libquillmap.so" -instr-profile="$dir/$harness.profdata" "$@"
}

report mesh wingededge/WingedEdgeMesh.cpp wingededge/WingedEdgeList.cpp modify/Curvature.cpp
report line lines/LineConcatenation.cpp lines/LinePurification.cpp lines/HiddenLineSplitter.cpp \
  lines/BlockDepthCache.cpp
