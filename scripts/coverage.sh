#!/usr/bin/env bash
# Builds the suite with coverage counters (gcc --coverage, debug, into build-coverage/ or
# $BREVANTO_COVERAGE_BUILD_DIR), runs it headless, and prints line and branch coverage per
# folder of the shipped code and of the tools (the simulator and brevanto-cli count the runs the
# tests make of them). Branches the compiler adds for exceptions and unreachable code are left
# out, so the figures speak of the code's own decisions.
#
#   scripts/coverage.sh            build, run the suite, print the table
#   scripts/coverage.sh --report   print the table of the last run again
#
# The full report (per file, HTML) goes to build-coverage/coverage/index.html.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_COVERAGE_BUILD_DIR:-$root/build-coverage}"
folders=(app mncp device monitor cubrix lut capture scope session tools/brevanto-sim tools/brevanto-cli)

"$root/scripts/install-deps.sh"

if [ "${1:-}" != "--report" ]; then
    BREVANTO_BUILD_DIR="$build" "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Debug -DBREVANTO_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" -DCMAKE_SHARED_LINKER_FLAGS="--coverage" \
        -DCMAKE_MODULE_LINKER_FLAGS="--coverage"
    find "$build" -name '*.gcda' -delete
    (cd "$build" && LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1920x1080x24" \
        ctest --timeout 600 -j "$(nproc)" "${@}") || echo "(some tests failed; coverage of what ran follows)"
fi

filters=()
for folder in "${folders[@]}"; do filters+=(--filter "$root/$folder/"); done
mkdir -p "$build/coverage"
# The build folder is the only place searched: other build folders of the tree hold counters of
# their own runs.
gcovr --root "$root" --object-directory "$build" "${filters[@]}" \
    --exclude-throw-branches --exclude-unreachable-branches --gcov-ignore-parse-errors -j "$(nproc)" \
    --json-summary "$build/coverage/summary.json" --html-details "$build/coverage/index.html" "$build" >/dev/null

/usr/bin/python3 - "$build/coverage/summary.json" "${folders[@]}" <<'EOF'
import json, sys
summary = json.load(open(sys.argv[1]))
folders = sys.argv[2:]
totals = {f: [0, 0, 0, 0] for f in folders}
for entry in summary["files"]:
    name = entry["filename"]
    for folder in folders:
        if name.startswith(folder + "/"):
            t = totals[folder]
            t[0] += entry["line_covered"]; t[1] += entry["line_total"]
            t[2] += entry["branch_covered"]; t[3] += entry["branch_total"]
            break
pct = lambda a, b: 100.0 * a / b if b else 100.0
print(f"{'folder':<22}{'lines':>10}{'line %':>9}{'branches':>10}{'branch %':>10}")
for folder in folders:
    lc, lt, bc, bt = totals[folder]
    print(f"{folder:<22}{lt:>10}{pct(lc, lt):>9.1f}{bt:>10}{pct(bc, bt):>10.1f}")
lc, lt, bc, bt = (sum(t[i] for t in totals.values()) for i in range(4))
print(f"{'all':<22}{lt:>10}{pct(lc, lt):>9.1f}{bt:>10}{pct(bc, bt):>10.1f}")
EOF
