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
# Windows XP SP3 and later: no import from the functions later versions added
# (the ones a C++ runtime or this code might reach for), and a PE header that
# asks for no later version.
later="GetTickCount64 CancelIoEx CancelSynchronousIo InitializeConditionVariable \
SleepConditionVariableCS SleepConditionVariableSRW WakeConditionVariable WakeAllConditionVariable \
InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared ReleaseSRWLockExclusive \
ReleaseSRWLockShared TryAcquireSRWLockExclusive TryAcquireSRWLockShared InitOnceBeginInitialize \
InitOnceComplete InitOnceExecuteOnce InitOnceInitialize GetFileInformationByHandleEx \
SetFileInformationByHandle CreateSymbolicLinkA CreateSymbolicLinkW GetSystemTimePreciseAsFileTime \
GetLocaleInfoEx GetUserDefaultLocaleName LCIDToLocaleName LocaleNameToLCID CompareStringEx \
LCMapStringEx GetDateFormatEx GetTimeFormatEx GetNumberFormatEx GetCurrencyFormatEx \
GetFinalPathNameByHandleA GetFinalPathNameByHandleW CreateEventExA CreateEventExW \
CreateMutexExA CreateMutexExW CreateSemaphoreExW InitializeCriticalSectionEx FlsAlloc FlsFree \
FlsGetValue FlsSetValue GetCurrentProcessorNumber GetNamedPipeServerProcessId \
SetThreadStackGuarantee GetErrorMode QueryFullProcessImageNameA QueryFullProcessImageNameW \
GetTickCount64 RegGetValueA RegGetValueW RegDeleteTreeA RegDeleteTreeW SHGetKnownFolderPath \
CreateFile2 GetProcessId GetThreadId"
imported=$($objdump -p "$dll" | awk '/DLL Name:/{d=1; next} d && NF >= 2 && $1 ~ /^[0-9a-f]+$/ {print $NF}')
for fn in $later; do
  if echo "$imported" | grep -qx "$fn"; then
    echo "check-dll: imports $fn, which Windows XP SP3 does not have"; exit 1
  fi
done
for field in MajorOSystemVersion MajorSubsystemVersion; do
  major=$($objdump -p "$dll" | awk -v f=$field '$1 == f {print $2}')
  minor=$($objdump -p "$dll" | awk -v f=$(echo $field | sed 's/Major/Minor/') '$1 == f {print $2}')
  if [ -z "$major" ] || [ "$major" -gt 5 ] || { [ "$major" -eq 5 ] && [ "$minor" -gt 1 ]; }; then
    echo "check-dll: $field $major.$minor asks for a Windows later than XP (5.1)"; exit 1
  fi
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

echo "check-dll: $dll exports the $(echo $expected | wc -w) entry points, each returning as its calling convention requires, imports only system DLLs and nothing later than Windows XP SP3"
