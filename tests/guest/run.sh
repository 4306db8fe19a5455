#!/usr/bin/env bash
# The 32-bit stage: boots the guest once and runs every Wine end-to-end
# suite, built for i686, against the shipped 32-bit programs, as WoW64
# processes in a 64-bit prefix, as on 64-bit Windows.
#   run.sh IMAGE_DIR SHIPPED_DIR TESTS_DIR RESULTS_DIR
# The guest asks e2e_tests.exe for its suites and runs each on its own. It
# leaves suites (their names), SUITE.log and SUITE.status per suite, and
# console.log, in a folder of this run's own, RESULTS_DIR/<UTC time>, which
# RESULTS_DIR/latest names; the last five runs are kept, so a rerun never
# overwrites a failure's logs. Fails with a clear message when the stage
# cannot run at all.
set -euo pipefail
guest=$1 shipped=$2 tests=$3 results=$4
here=$(cd "$(dirname "$0")" && pwd)

fail() { echo "FAIL: the 32-bit stage cannot run: $*" >&2; exit 1; }
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is missing (tools/install-deps)"
for file in "$shipped/Tarnweld.exe" "$shipped/TarnweldCheck.exe" "$tests/e2e_tests.exe" \
            "$tests/stand_in_uninstaller.exe"; do
  [ -f "$file" ] || fail "$file is missing (build the win32 and win32-tests presets)"
done
"$here/build-image.sh" "$guest" || fail "the guest image could not be built"

mkdir -p "$results"
run=$(date -u +%Y%m%dT%H%M%SZ)
rm -rf "${results:?}/$run" "$results/latest"
mkdir -p "$results/$run"
ln -s "$run" "$results/latest"
ls -1d "$results"/2*Z 2>/dev/null | head -n -5 | xargs -r rm -rf
results=$results/$run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The tests find the programs beside themselves, and the release files in
# ..\win32: both are the shipped bytes.
mkdir -p "$work/in/win32tests" "$work/in/win32"
cp "$tests/e2e_tests.exe" "$tests/stand_in_uninstaller.exe" "$work/in/win32tests/"
cp "$shipped/Tarnweld.exe" "$shipped/TarnweldCheck.exe" "$work/in/win32tests/"
cp "$shipped/Tarnweld.exe" "$shipped/TarnweldCheck.exe" "$work/in/win32/"
tar -cf "$work/input.tar" -C "$work/in" .
truncate -s %1M "$work/input.tar"
truncate -s 64M "$work/output.img"

started=$(date +%s)
status=0
"$here/boot.sh" "$guest" test "$work/input.tar" "$work/output.img" >"$results/console.log" 2>&1 ||
  status=$?
tar -xf "$work/output.img" -C "$results" 2>/dev/null || true
echo "guest ran for $(( $(date +%s) - started )) s (qemu status $status)"
[ -s "$results/suites" ] || fail "e2e_tests.exe listed no suites in the guest; its console:
$(tail -n 40 "$results/console.log")"
while read -r suite; do
  name=${suite//\//.}
  [ -f "$results/$name.status" ] || fail "no result for $suite; the guest's console:
$(tail -n 40 "$results/console.log")"
done <"$results/suites"
echo "suites run: $(tr '\n' ' ' <"$results/suites")"
