#!/usr/bin/env bash
# Every program and library in the given directories searches only absolute or $ORIGIN-relative
# directories for its libraries (an empty or relative entry is searched from the current
# directory), and every program searches the project's library directory, $ORIGIN/../lib.
#   runpath_check.sh BIN_DIR LIB_DIR
set -euo pipefail
bin=$1
lib=$2
failures=0
checked=0

fail() {
  echo "FAIL $1: $2"
  failures=$((failures + 1))
}

check() {
  local file=$1 program=$2 line paths entry found=0
  line=$(readelf -d "$file" | grep -E '\((RUNPATH|RPATH)\)' || true)
  checked=$((checked + 1))
  if [ -z "$line" ]; then
    [ "$program" = yes ] && fail "$file" "no RUNPATH"
    return 0
  fi
  paths=${line#*[}
  paths=${paths%]*}
  # A trailing ':' leaves an empty last entry that read would drop: look at the text itself.
  case ":$paths:" in *::*) fail "$file" "empty entry in '$paths'" ;; esac
  IFS=: read -r -a entries <<<"$paths"
  for entry in "${entries[@]}"; do
    [ -z "$entry" ] && continue
    case $entry in
      /* | '$ORIGIN' | '$ORIGIN/'*) ;;
      *) fail "$file" "entry '$entry' is relative to the current directory" ;;
    esac
    [ "$entry" = '$ORIGIN/../lib' ] && found=1
  done
  if [ "$program" = yes ] && [ $found = 0 ]; then
    fail "$file" "no \$ORIGIN/../lib in '$paths'"
  fi
  return 0
}

is_elf() { [ -f "$1" ] && [ ! -L "$1" ] && [ "$(head -c 4 "$1" | od -An -c | tr -d ' ')" = '177ELF' ]; }

for file in "$bin"/*; do
  is_elf "$file" && check "$file" yes
done
for file in "$lib"/*.so*; do
  is_elf "$file" && check "$file" no
done

if [ "$checked" = 0 ]; then
  echo "FAIL nothing to check in $bin and $lib"
  exit 1
fi
echo "$checked files checked, $failures failed"
[ "$failures" = 0 ]
