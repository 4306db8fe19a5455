#!/usr/bin/env bash
# Checks tools/release with a throwaway self-signed code-signing certificate,
# made here in a temporary folder and deleted afterwards.
#   bundle_test.sh reproducible SRC        two unsigned bundles are the same zip;
#                                          SHA256SUMS checks out in the unpacked one
#   bundle_test.sh signed SRC PREFIX WIN64 signed programs verify, pass the release
#                                          checks and lose nothing but the signature;
#                                          WIN64's Tarnweld.exe, signed, still decides
#                                          under Wine in PREFIX
#   bundle_test.sh refusals SRC            a missing PFX or a wrong password stops
#                                          with a clear message and leaves no bundle
set -euo pipefail
action=$1 src=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^project(Tarnweld VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
name=Tarnweld-$version

fail() { echo "FAIL: $*" >&2; exit 1; }
release() { TARNWELD_DIST=$1 "$src/tools/release" >"$work/release.out" 2>&1; }

certificate() {
  printf 'correct horse\n' >"$work/password"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarnweld test signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" \
    2>/dev/null
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" \
    -passout "file:$work/password"
}

case $action in
  reproducible)
    release "$work/one" || fail "tools/release: $(cat "$work/release.out")"
    grep -q '^Unsigned: ' "$work/release.out" || fail "no word that the bundle is unsigned"
    (umask 077 && release "$work/two") || fail "tools/release: $(cat "$work/release.out")"
    cmp "$work/one/$name.zip" "$work/two/$name.zip" || fail "two builds gave different zips"
    mkdir "$work/unpacked"
    (cd "$work/unpacked" && unzip -q "$work/one/$name.zip")
    [ "$(cd "$work/unpacked/$name" && ls)" = "$(printf '%s\n' LICENSE.txt README.txt SHA256SUMS Tarnweld.exe TarnweldCheck.exe)" ] ||
      fail "the bundle holds: $(ls "$work/unpacked/$name")"
    (cd "$work/unpacked/$name" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not check out"
    grep -q $'^## Only what administrators control\r$' "$work/unpacked/$name/README.txt" ||
      fail "README.txt lacks the administrators' manual, or CRLF line endings"
    grep -q $'^## The audit\r$' "$work/unpacked/$name/README.txt" ||
      fail "README.txt lacks the page on running it across a fleet"
    ! grep -q '<!--' "$work/unpacked/$name/README.txt" || fail "README.txt holds source comments"
    ! grep -q "^## \(Benchmark\|Getting a release\)" "$work/unpacked/$name/README.txt" || fail "README.txt holds the developers' part"
    grep -q $'^MIT License\r$' "$work/unpacked/$name/LICENSE.txt" || fail "LICENSE.txt is not the licence"
    echo "identical zips from two runs ($(sha256sum "$work/one/$name.zip" | cut -c1-16)); sums check"
    ;;
  signed)
    prefix=$3 win64=$4
    certificate
    TARNWELD_SIGN_PFX=$work/test.pfx TARNWELD_SIGN_PASSWORD_FILE=$work/password \
      release "$work/dist" || fail "tools/release: $(cat "$work/release.out")"
    grep -q 'time-stamp' "$work/release.out" || fail "no word that the signature lacks a time stamp"
    bundle=$work/dist/$name
    for program in Tarnweld TarnweldCheck; do
      exe=$bundle/$program.exe
      osslsigncode verify -CAfile "$work/cert.pem" -in "$exe" >"$work/verify.out" 2>&1 ||
        fail "$program.exe does not verify: $(cat "$work/verify.out")"
      grep -q "Signature verification: ok" "$work/verify.out" || fail "$program.exe: $(cat "$work/verify.out")"
      kind=gui
      [ "$program" = Tarnweld ] || kind=console
      "$here/check_release.sh" format "$exe" "$kind"
      "$here/check_release.sh" imports "$exe" "$here/allowed_imports.txt" "$kind"
      # The limit is the program's: a signature's size is the certificate chain's.
      mkdir -p "$work/stripped"
      osslsigncode remove-signature -in "$exe" -out "$work/stripped/$program.exe" >/dev/null
      "$here/check_release.sh" size "$work/stripped/$program.exe"
      cmp "$work/stripped/$program.exe" "$src/build/win32/$program.exe" ||
        fail "$program.exe without its signature differs from the unsigned build"
    done
    (cd "$bundle" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not match the signed files"
    # No 32-bit Windows program runs on this machine: the same sources built
    # for x86_64, signed the same way, show that a signed program still decides.
    osslsigncode sign -pkcs12 "$work/test.pfx" -readpass "$work/password" -h sha256 \
      -n Tarnweld -in "$win64/Tarnweld.exe" -out "$work/Tarnweld64.exe" >/dev/null
    export WINEPREFIX=$prefix WINEDEBUG=-all
    drive=$(winepath -u 'C:\' 2>/dev/null | tr -d '\r')
    app="${drive}TarnweldRelease"
    rm -rf "$app" && mkdir -p "$app"
    cp "$win64/stand_in_uninstaller.exe" "$app/UNWISE.EXE"
    printf 'log\r\n' >"$app/INSTALL.LOG"
    cp "$work/Tarnweld64.exe" "$app/Tarnweld.exe"
    key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TarnweldRelease'
    wine reg add "$key" /v UninstallString /d 'C:\TarnweldRelease\UNWISE.EXE C:\TarnweldRelease\INSTALL.LOG' /f >/dev/null 2>&1
    timeout 60 wine "$app/Tarnweld.exe" TarnweldRelease </dev/null >/dev/null 2>&1 || true
    wine reg delete "$key" /f >/dev/null 2>&1 || true
    [ -f "$app/UNWISE.EXE.record" ] || { rm -rf "$app"; fail "the signed Tarnweld.exe did not start the uninstaller"; }
    rm -rf "$app"
    echo "signed, verified, release checks passed, signature removable to the unsigned bytes; runs under Wine"
    ;;
  refusals)
    certificate
    printf 'wrong\n' >"$work/wrong"
    mkdir -p "$work/dist/$name"  # what an earlier run left
    for case in missing wrong; do
      pfx=$work/test.pfx password=$work/wrong
      [ $case = missing ] && pfx=$work/nothing.pfx password=$work/password
      ! TARNWELD_SIGN_PFX=$pfx TARNWELD_SIGN_PASSWORD_FILE=$password release "$work/dist" ||
        fail "$case PFX: tools/release did not fail"
      grep -q '^tools/release: ' "$work/release.out" || fail "$case PFX: no clear message: $(cat "$work/release.out")"
      [ -z "$(ls -A "$work/dist")" ] || fail "$case PFX: left behind: $(ls -A "$work/dist")"
      echo "$case PFX: $(grep -m1 '^tools/release: ' "$work/release.out")"
    done
    ;;
  *)
    echo "usage: see the top of $0" >&2
    exit 2
    ;;
esac
