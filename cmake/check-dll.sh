#!/bin/sh
# Checks the shipped DLL's export table (exactly the host's entry points, under
# undecorated names) and its imports (system DLLs only: it must load on a bare
# Windows).
set -eu
dll=${1:-build/win32/K7.dll}
objdump=i686-w64-mingw32-objdump
[ -f "$dll" ] || { echo "check-dll: $dll not found"; exit 1; }

expected="Config DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer DoDwell \
Home InitControl JogOff JogOn PostInitControl Probe Purge Reset SetCode SetDoButton SetGetDRO \
SetGetLED SetProName SetSetDRO SetSetLED StopPlug Update"

actual=$($objdump -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\t\[/{print $NF} t&&/^$/{t=0}' | sort | tr '\n' ' ' | sed 's/ $//')
want=$(echo $expected | tr ' ' '\n' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$want" ]; then
  echo "check-dll: exports differ"; echo "  expected: $want"; echo "  actual:   $actual"; exit 1
fi

allowed="kernel32.dll user32.dll gdi32.dll setupapi.dll hid.dll ole32.dll oleaut32.dll ws2_32.dll \
comctl32.dll msvcrt.dll advapi32.dll shell32.dll"
for imp in $($objdump -p "$dll" | awk '/DLL Name:/{print tolower($3)}'); do
  case " $allowed " in
    *" $imp "*) ;;
    api-ms-win-crt-*) ;;
    *) echo "check-dll: imports a non-system DLL: $imp"; exit 1 ;;
  esac
done
# How each export returns: the host cleans the arguments of its cdecl entry
# points (plain ret); stdcall COM entries clean their own (ret $N, N the bytes
# of their arguments). A function that only tail-jumps is followed to its target.
ret_of() {
  addr=$1 depth=0
  while [ $depth -lt 4 ]; do
    found=$($objdump -d --no-show-raw-insn --start-address="0x$addr" \
        --stop-address="$(printf '0x%x' $((0x$addr + 0x400)))" "$dll" | awk '
      /^[0-9a-f]+ <[^>]*>:$/ {
        if (name != "") exit
        name = $2; sub(/^</, "", name); sub(/>:$/, "", name); next
      }
      name == "" { next }
      {
        n = split($0, f, "\t"); insn = f[n]
        if (insn ~ /^ret/) { split(insn, w, / +/); result = "ret" (w[2] != "" ? " " w[2] : ""); exit }
        if (insn ~ /^jmp +[0-9a-f]+ </) {
          split(insn, w, / +/); label = w[3]; sub(/^</, "", label); sub(/(\+0x[0-9a-f]+)?>$/, "", label)
          if (label != name) tail = w[2]
        }
      }
      END {
        if (name == "") print "unknown"
        else if (result != "") print result
        else if (tail != "") print "jmp " tail
        else print "unknown"
      }')
    case $found in
      "jmp "*) addr=${found#jmp }; depth=$((depth + 1)) ;;
      *) echo "$found"; return ;;
    esac
  done
  echo "unknown"
}

base=$($objdump -p "$dll" | awk '$1 == "ImageBase" { print $2 }')
rvas=$($objdump -p "$dll" | awk '
  /^Export Address Table -- / { t = 1; next }
  t && /^\t\[/ { gsub(/[][]/, " "); print $1, $4 }
  t && /^$/ { t = 0 }')
for name in $expected; do
  index=$($objdump -p "$dll" | awk -v want="$name" '
    /\[Ordinal\/Name Pointer\] Table/ { t = 1; next }
    t && /^\t\[/ && $NF == want { gsub(/[][]/, " "); print $1 }
    t && /^$/ { t = 0 }')
  rva=$(echo "$rvas" | awk -v i="$index" '$1 == i { print $2 }')
  [ -n "$rva" ] || { echo "check-dll: no address for $name"; exit 1; }
  case $name in
    DllGetClassObject) want='ret $0xc' ;;
    *) want='ret' ;;
  esac
  got=$(ret_of "$(printf '%x' $((0x$base + 0x$rva)))")
  if [ "$got" != "$want" ]; then
    echo "check-dll: $name returns with '$got', expected '$want'"; exit 1
  fi
done

echo "check-dll: $dll exports the $(echo $expected | wc -w) entry points, each returning as its calling convention requires, and imports only system DLLs"
