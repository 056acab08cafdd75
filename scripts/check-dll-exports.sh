#!/usr/bin/env bash
# Reads the PE tables of built element DLLs (MOLR.W64.dll, the example elements): each must export
# XEFSetElSpec and nothing else, by its plain name, and import only DLLs that every 64-bit Windows
# has, so that a host on a plain machine loads it with nothing else installed (no libgcc, libstdc++
# or winpthread DLL beside it). Every DLL is checked whatever the others' outcome; the script fails
# if any fails.
# Usage: check-dll-exports.sh path/to/MOLR.W64.dll [more.dll ...]
set -euo pipefail
objdump=${MINGW_OBJDUMP:-x86_64-w64-mingw32-objdump}

[ "$#" -gt 0 ] || {
  echo "usage: $0 DLL..." >&2
  exit 2
}

# Called from check_dll: reports against its DLL and marks its outcome.
fail() {
  echo "FAILED: $dll: $*"
  failed=1
}

# One DLL: prints FAILED lines, or one summary line; returns 1 on any failure.
check_dll() {
  local dll=$1 tables exports address_count imports name failed=0
  if ! tables=$("$objdump" -p "$dll" 2>&1); then
    fail "objdump cannot read it: $tables"
    return 1
  fi

  grep -q 'file format pei-x86-64' <<<"$tables" || fail "not a 64-bit Windows image"

  # Names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] name" line each.
  exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
                 names && NF == 0 { names = 0 }
                 names { print $NF }' <<<"$tables")
  address_count=$(awk '/Export Address Table[ \t]+[0-9a-fA-F]+$/ { print $NF; exit }' <<<"$tables")
  [ "$exports" = "XEFSetElSpec" ] \
    || fail "exported names are [$(tr '\n' ' ' <<<"$exports")], expected exactly XEFSetElSpec"
  # A second entry in the address table would be an export reachable by ordinal only.
  [ "$((16#${address_count:-0}))" -eq 1 ] || fail "export address table has ${address_count:-no} entries"

  imports=$(awk '/DLL Name:/ { print $NF }' <<<"$tables")
  [ -n "$imports" ] || fail "no import table found"
  for name in $imports; do
    case "${name,,}" in
      kernel32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-crt-*.dll) ;;
      *) fail "imports $name, which a plain Windows does not have" ;;
    esac
  done

  [ "$failed" -eq 0 ] || return 1
  echo "$(basename "$dll"): exports XEFSetElSpec only; imports: $(tr '\n' ' ' <<<"$imports")"
}

status=0
for dll in "$@"; do
  check_dll "$dll" || status=1
done
exit "$status"
