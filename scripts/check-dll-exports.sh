#!/usr/bin/env bash
# Reads the PE tables of a built MOLR.W64.dll: it must export XEFSetElSpec and nothing else, by its
# plain name, and import only DLLs that every 64-bit Windows has, so that a host on a plain machine
# loads it with nothing else installed (no libgcc, libstdc++ or winpthread DLL beside it).
# Usage: check-dll-exports.sh path/to/MOLR.W64.dll
set -euo pipefail
dll=$1
objdump=${MINGW_OBJDUMP:-x86_64-w64-mingw32-objdump}
tables=$("$objdump" -p "$dll")

failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}

grep -q 'file format pei-x86-64' <<<"$tables" || fail "$dll is not a 64-bit Windows image"

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

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "Export table: XEFSetElSpec only; imports: $(tr '\n' ' ' <<<"$imports")"
