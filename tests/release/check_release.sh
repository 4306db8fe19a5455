#!/usr/bin/env bash
# Checks on the shipped executable that need no Windows to run.
#   check_release.sh format EXE             PE32, i386, GUI subsystem, XP-loadable,
#                                           Terminal Server aware, asInvoker manifest
#   check_release.sh imports EXE ALLOWLIST  only allowed imports, nothing harmful
#   check_release.sh size EXE LIMIT         no larger than LIMIT bytes
#   check_release.sh reproducible EXE SRC   a second build elsewhere is identical
set -euo pipefail
objdump=i686-w64-mingw32-objdump

fail() { echo "FAIL: $*" >&2; exit 1; }

imports() {
  "$objdump" -p "$1" | awk '/DLL Name:/ { dll = $3 }
    /^\t[0-9a-f]+\t +[0-9]+  [A-Za-z_]/ { print dll "!" $3 }' | sort -u
}

case $1 in
  format)
    header=$("$objdump" -p "$2")
    for expected in 'file format pei-i386' 'Magic[[:space:]]+010b[[:space:]]+\(PE32\)' \
        'Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' \
        'MajorSubsystemVersion[[:space:]]+5$' 'MinorSubsystemVersion[[:space:]]+1$' \
        'MajorOSystemVersion[[:space:]]+5$' 'MinorOSystemVersion[[:space:]]+1$' \
        '^[[:space:]]+TERMINAL_SERVICE_AWARE$'; do
      grep -Eq "$expected" <<<"$header" || fail "$2: no '$expected' in its header"
    done
    # Without it a standard user's HKLM reads may come from a VirtualStore.
    for expected in '<trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">' \
        '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' \
        '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'; do
      grep -aqF "$expected" "$2" || fail "$2: no '$expected' in its manifest"
    done
    echo "PE32 i386, Windows GUI subsystem 5.01, OS version 5.01, TS-aware, asInvoker manifest"
    ;;
  imports)
    found=$(imports "$2")
    [ -n "$found" ] || fail "no import table read from $2"
    allowed=$(grep -v '^#' "$3" | sort -u)
    unexpected=$(comm -23 <(echo "$found") <(echo "$allowed"))
    [ -z "$unexpected" ] || fail "imports not on the list: $unexpected"
    dlls=$(cut -d'!' -f1 <<<"$found" | tr '[:upper:]' '[:lower:]' | sort -u | tr '\n' ' ')
    [ "$dlls" = "advapi32.dll kernel32.dll msvcrt.dll user32.dll " ] ||
      fail "imports from other DLLs than Windows' own: $dlls"
    # Kept here too, so that a careless addition to the list still fails.
    harmful='!(Reg(Set|Create|Delete|Save|Restore|Replace|Load|Flush)|(Create|Open)File|WriteFile|'
    harmful+='(Copy|Move|Delete|Replace)File|CreateDirectory|RemoveDirectory|OpenProcess|'
    harmful+='TerminateProcess|TerminateJobObject|SuspendThread|NtSuspendProcess|DebugActiveProcess|'
    harmful+='DebugBreakProcess|WriteProcessMemory|CreateRemoteThread|'
    harmful+='ShowWindow|MessageBox|DialogBox|CreateDialog|AllocConsole|AttachConsole|'
    harmful+='(_w)?fopen|_w?open$|_write$|_wsopen|_sopen)'
    bad=$(grep -E "$harmful" <<<"$found" || true)
    [ -z "$bad" ] || fail "harmful imports: $bad"
    echo "$(wc -l <<<"$found") imports, all allowed, from: $dlls"
    ;;
  size)
    size=$(stat -c %s "$2")
    echo "Tarnweld.exe is $size bytes (limit $3)"
    [ "$size" -le "$3" ] || fail "$2 is larger than $3 bytes"
    ;;
  reproducible)
    exe=$2 src=$3
    other=$(mktemp -d)
    trap 'rm -rf "$other"' EXIT
    cmake -S "$src" -B "$other" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    cmake --build "$other" --target Tarnweld -j "$(nproc)" >/dev/null
    cmp "$exe" "$other/Tarnweld.exe" || fail "a build in $other differs from $exe"
    for path in "$src" "$other" "$(dirname "$exe")"; do
      ! grep -qaF "$path" "$exe" || fail "$exe holds the build path $path"
    done
    echo "identical bytes from a second build in another folder ($(sha256sum "$exe" | cut -c1-16))"
    ;;
  *)
    echo "usage: see the top of $0" >&2
    exit 2
    ;;
esac
