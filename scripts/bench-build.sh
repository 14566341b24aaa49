# Sourced by the benchmark scripts: builds the given targets optimised, with
# the benchmarks on, and sets `build` to the build folder.
# BENCH_BUILD_DIR=DIR builds in DIR instead of the release preset's folder;
# BENCH_BUILD_JOBS=N sets the parallel jobs (default 2).
bench_build() {
  if [ -n "${BENCH_BUILD_DIR:-}" ]; then
    build="$BENCH_BUILD_DIR"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELKORA_BENCH=ON >/dev/null
  else
    build=build/release
    cmake --preset release -DPELKORA_BENCH=ON >/dev/null
  fi
  cmake --build "$build" -j"${BENCH_BUILD_JOBS:-2}" --target "$@" >/dev/null
}
