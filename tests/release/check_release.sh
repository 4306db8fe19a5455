#!/usr/bin/env bash
# Checks on the shipped executables that need no Windows to run.
#   check_release.sh format EXE gui|console     PE32, i386, the subsystem, XP-loadable,
#                                               Terminal Server aware, asInvoker manifest
#   check_release.sh imports EXE ALLOWLIST gui|console
#                                               only allowed imports, nothing harmful
#   check_release.sh size EXE                   no larger than its program's limit
#   check_release.sh calls SRC                  each call that touches a file in one file only
#   check_release.sh layers SRC                 each folder includes only from those below it
#   check_release.sh reproducible SRC EXE...    a second build elsewhere, one for all
#                                               programs, is identical
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
    case $3 in
      gui) subsystem='00000002[[:space:]]+\(Windows GUI\)' ;;
      console) subsystem='00000003[[:space:]]+\(Windows CUI\)' ;;
      *) fail "format takes gui or console" ;;
    esac
    for expected in 'file format pei-i386' 'Magic[[:space:]]+010b[[:space:]]+\(PE32\)' \
        "Subsystem[[:space:]]+$subsystem" \
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
    echo "PE32 i386, Windows $3 subsystem 5.01, OS version 5.01, TS-aware, asInvoker manifest"
    ;;
  imports)
    found=$(imports "$2")
    [ -n "$found" ] || fail "no import table read from $2"
    # Lines that name no program are both programs'.
    program=Tarnweld.exe
    [ "$4" = gui ] || program=TarnweldCheck.exe
    allowed=$(grep -v '^#' "$3" | awk -v p="$program" 'NF == 1 || $2 == p { print $1 }' | sort -u)
    unexpected=$(comm -23 <(echo "$found") <(echo "$allowed"))
    [ -z "$unexpected" ] || fail "imports not on the list: $unexpected"
    dlls=$(cut -d'!' -f1 <<<"$found" | tr '[:upper:]' '[:lower:]' | sort -u | tr '\n' ' ')
    # Kept here too, so that a careless addition to a list still fails:
    # neither program writes the registry or files, touches other processes,
    # or shows anything.
    harmful='!(Reg(Set|Create|Delete|Save|Restore|Replace|Load|Flush)|OpenFile|'
    harmful+='(Copy|Move|Delete|Replace)File|WriteFileEx|SetFile|SetEndOfFile|'
    harmful+='TerminateProcess|TerminateJobObject|SuspendThread|NtSuspendProcess|DebugActiveProcess|'
    harmful+='DebugBreakProcess|WriteProcessMemory|CreateRemoteThread|SetNamedSecurityInfo|'
    harmful+='SetFileSecurity|SetSecurityInfo|'
    harmful+='ShowWindow|MessageBox|DialogBox|CreateDialog|AllocConsole|AttachConsole|'
    harmful+='(_w)?fopen|_w?open$|_write$|_wsopen|_sopen'
    # Only DLLs that Windows always loads from its own folder: a DLL of any
    # other name placed beside the program would run before main. Anything
    # else is loaded at run time by its full path (system_library_win.cpp).
    case $4 in
      gui)
        # OpenProcess is allowed here only to follow the uninstaller's
        # descendants and to ask who runs a process (query and wait rights
        # alone; see "calls"). CreateDirectoryW and RemoveDirectoryW only for
        # the uninstaller's temporary folder, when no existing one can be
        # trusted (folders_win.cpp).
        # It opens the Wise log to read it only, as TarnweldCheck opens files
        # (see "calls").
        expected_dlls="advapi32.dll kernel32.dll msvcrt.dll user32.dll "
        harmful+='|WriteFile)'
        ;;
      console)
        # It writes its own standard output and error (WriteFile on an
        # inherited handle), opens existing files to read them only (see
        # "calls"), starts nothing at all, asks whether the removal lock
        # exists without ever taking it (OpenMutexW, closed at once), and
        # opens a process only to ask who runs it (query rights; see "calls").
        expected_dlls="advapi32.dll kernel32.dll msvcrt.dll "
        harmful+='|CreateDirectory|RemoveDirectory|CreateMutex|ReleaseMutex|'
        harmful+='CreateProcess|ShellExecute|WinExec|LoadModule|CreateJobObject|'
        harmful+='AssignProcessToJobObject|ResumeThread)'
        ;;
      *) fail "imports takes gui or console" ;;
    esac
    [ "$dlls" = "$expected_dlls" ] ||
      fail "imports from $dlls; only $expected_dlls may be imported"
    bad=$(grep -E "$harmful" <<<"$found" || true)
    [ -z "$bad" ] || fail "harmful imports: $bad"
    # Known DLLs themselves, but names they forward, from Windows 7 on, to
    # DLLs that are not (cryptbase.dll: SystemFunction036, 040 and 041;
    # cryptsp.dll: every Crypt* function), which the loader then looks for
    # beside the program, before main. Such functions are taken at run time
    # from their homes in the system folder (SystemProcedure).
    forwarded='^ADVAPI32\.dll!(SystemFunction0(36|40|41)|Crypt[A-Za-z]*)$'
    bad=$(grep -iE "$forwarded" <<<"$found" || true)
    [ -z "$bad" ] || fail "imports forwarded to DLLs outside Windows' known DLLs: $bad"
    echo "$(wc -l <<<"$found") imports, all allowed, from: $dlls"
    ;;
  size)
    # Much of each program is the static C++ runtime; the rest is the trust
    # rule and, in TarnweldCheck, its reports.
    case $(basename "$2") in
      Tarnweld.exe) limit=360448 ;;       # 352 KiB
      TarnweldCheck.exe) limit=425984 ;;  # 416 KiB
      *) fail "no size limit for $2" ;;
    esac
    size=$(stat -c %s "$2")
    echo "$(basename "$2") is $size bytes (limit $limit)"
    [ "$size" -le "$limit" ] || fail "$2 is larger than $limit bytes"
    ;;
  calls)
    # The product's sources, outside the tests: each call that could create,
    # write or remove a file or folder stands in its one file, and the one
    # that opens files asks to read existing ones only.
    src=$2
    product=(--include='*.cpp' --include='*.h' "$src/check" "$src/core" "$src/decide"
             "$src/platform" "$src/queries" "$src/removal")
    only_in() {  # pattern file
      found=$(grep -rlE "$1" "${product[@]}" | sed "s|^$src/||" | sort)
      [ "$found" = "$2" ] || fail "$1 is called in: ${found:-nothing}; only $2 may"
    }
    only_in '::CreateFileW\(' platform/win/read_only_file_win.cpp
    only_in '::(CreateDirectoryW|RemoveDirectoryW)\(' platform/win/folders_win.cpp
    opened=$(grep -A4 '::CreateFileW(' "$src/platform/win/read_only_file_win.cpp" | tr -d '\n ')
    for expected in GENERIC_READ, FILE_SHARE_READ\|FILE_SHARE_DELETE OPEN_EXISTING \
        FILE_FLAG_OPEN_REPARSE_POINT\|SECURITY_SQOS_PRESENT\|SECURITY_IDENTIFICATION; do
      grep -qF "$expected" <<<"$opened" || fail "read_only_file_win.cpp opens without $expected"
    done
    ! grep -qE 'GENERIC_WRITE|GENERIC_ALL|CREATE_|TRUNCATE_|OPEN_ALWAYS' <<<"$opened" ||
      fail "read_only_file_win.cpp opens for more than reading"
    # A process is opened to ask about it and to wait for it, its token to
    # ask whom it runs as: nothing through either can change it.
    bad=$(grep -rhoE '::OpenProcess\([^,]*' "${product[@]}" |
            grep -vxE '::OpenProcess\((SYNCHRONIZE \| )?PROCESS_QUERY_(LIMITED_)?INFORMATION' || true)
    [ -z "$bad" ] || fail "a process opened for more than query and wait rights: $bad"
    bad=$(grep -rhoE '::OpenProcessToken\([^,]*, [^,]*' "${product[@]}" |
            grep -vE ', TOKEN_QUERY$' || true)
    [ -z "$bad" ] || fail "a token opened for more than TOKEN_QUERY: $bad"
    bad=$(grep -rnE '::(WriteFile|DeleteFileW|MoveFileW?|CopyFileW?|Reg(Set|Create|Delete)\w*)\(' \
            "${product[@]}" | grep -v 'platform/win/output_win.cpp:.*::WriteFile(' || true)
    [ -z "$bad" ] || fail "calls that change files or the registry: $bad"
    # Other processes' windows are only asked for their text, and user32.dll
    # is loaded for that by full path, so that TarnweldCheck.exe imports none
    # of it.
    only_in 'L"user32\.dll"' platform/win/shown_windows_win.cpp
    bad=$(grep -rnE '::(SendMessage|PostMessage|SendNotifyMessage|PostThreadMessage)\w*\(' \
            "${product[@]}" || true)
    bad+=$(grep -hoE '\.ask\([^,]*, [A-Z_]+' "$src/platform/win/shown_windows_win.cpp" |
             grep -vE ', WM_GETTEXT$' || true)
    [ -z "$bad" ] || fail "a window sent more than a request for its text: $bad"
    echo "CreateFileW only in read_only_file_win.cpp, for reading; folders made only in" \
      "folders_win.cpp; processes and tokens opened to ask only; windows asked for their text only"
    ;;
  layers)
    # The platform's interfaces at the bottom, then core/ (plain code both
    # programs share), queries/ (ReadReg), decide/ (the decision both take),
    # and removal/ (Tarnweld.exe) and check/ (TarnweldCheck.exe) beside each
    # other; platform/win/ implements the interfaces over core/ alone.
    src=$2
    above() {  # FOLDER FOLDER...: FOLDER's own files include nothing from the others
      local folder=$1
      shift
      bad=$(find "$src/$folder" -maxdepth 1 -name '*.cpp' -o -maxdepth 1 -name '*.h' |
              xargs grep -nE "#include \"($(IFS='|'; echo "$*"))/" || true)
      [ -z "$bad" ] || fail "$folder/ includes from a folder above it: $bad"
    }
    above platform core queries decide removal check
    above platform/win queries decide removal check
    above core queries decide removal check
    above queries decide removal check
    above decide removal check
    above removal check
    above check removal
    echo "platform/, core/, queries/, decide/, then removal/ and check/: no include from above"
    ;;
  reproducible)
    src=$2
    shift 2
    other=$(mktemp -d)
    trap 'rm -rf "$other"' EXIT
    cmake -S "$src" -B "$other" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
    targets=()
    for exe in "$@"; do targets+=(--target "$(basename "$exe" .exe)"); done
    cmake --build "$other" "${targets[@]}" -j "$(nproc)" >/dev/null
    for exe in "$@"; do
      cmp "$exe" "$other/$(basename "$exe")" || fail "a build in $other differs from $exe"
      for path in "$src" "$other" "$(dirname "$exe")"; do
        ! grep -qaF "$path" "$exe" || fail "$exe holds the build path $path"
      done
      echo "identical bytes from a second build in another folder: $(basename "$exe") ($(sha256sum "$exe" | cut -c1-16))"
    done
    ;;
  *)
    echo "usage: see the top of $0" >&2
    exit 2
    ;;
esac
