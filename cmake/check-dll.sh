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
echo "check-dll: $dll exports the $(echo $expected | wc -w) entry points and imports only system DLLs"
