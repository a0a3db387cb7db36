/* A static i386 Linux program that does nothing but exit with code 42: vm-check.sh runs it in
   the emulated machine, whose kernel runs 32-bit code (this machine's may not). */
        .globl _start
        .text
_start:
        movl    $1, %eax        /* exit */
        movl    $42, %ebx
        int     $0x80
