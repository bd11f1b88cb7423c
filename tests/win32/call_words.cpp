// kvCallWords for 32-bit x86 (GNU as, AT&T syntax; MinGW prefixes C names with '_').
//
// Frame: 8(%ebp) fn, 12 words, 16 count, 20 self, 24 floatResult, 28 out. ebx, esi and edi are
// saved because the entry must keep them too; edi holds the stack pointer of the moment of the
// call, which the entry cannot change.
#include "call_words.h"

asm(R"(
    .text
    .globl _kvCallWords
    .def _kvCallWords; .scl 2; .type 32; .endef
_kvCallWords:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    # Leave the stack 16-byte aligned at the call, with the words pushed.
    leal 0(,%ecx,4), %edx
    movl %esp, %eax
    subl %edx, %eax
    andl $-16, %eax
    addl %edx, %eax
    movl %eax, %esp
1:  testl %ecx, %ecx
    jz 2f
    pushl -4(%esi,%ecx,4)
    decl %ecx
    jmp 1b
2:  movl %esp, %edi
    movl 20(%ebp), %ecx
    call *8(%ebp)
    movl 28(%ebp), %ebx
    movl %eax, 12(%ebx)
    movl %edx, 16(%ebx)
    movl %esp, %eax
    subl %edi, %eax
    movl %eax, 8(%ebx)
    cmpl $0, 24(%ebp)
    je 3f
    fstpl 0(%ebx)
3:  leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
