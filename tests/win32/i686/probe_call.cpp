// The stub of probe_call.h, in i386 assembly: C++ cannot look at the stack
// pointer around a call.
#include "tests/win32/i686/probe_call.h"

// void K7ProbeCall(const void* function, const uint32_t* args, uint32_t count, ProbeResult* out)
// cdecl; out: espBefore, espAfter, eax, edx, ebx, esi, edi at 0, 4, ... 24.
asm(R"(
    .text
    .globl _K7ProbeCall
    .def _K7ProbeCall; .scl 2; .type 32; .endef
_K7ProbeCall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 16(%ebp), %ecx
    leal 0(,%ecx,4), %edx
    movl %esp, %eax
    subl %edx, %eax
    andl $-16, %eax
    subl $12, %eax
    addl %edx, %eax
    movl %eax, %esp
    movl 12(%ebp), %esi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl 20(%ebp), %eax
    movl %esp, 0(%eax)
    movl 8(%ebp), %eax
    movl $0x5a5a0001, %ebx
    movl $0x5a5a0002, %esi
    movl $0x5a5a0003, %edi
    call *%eax
    movl 20(%ebp), %ecx
    movl %esp, 4(%ecx)
    movl %eax, 8(%ecx)
    movl %edx, 12(%ecx)
    movl %ebx, 16(%ecx)
    movl %esi, 20(%ecx)
    movl %edi, 24(%ecx)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
