; Calls and jumps between the four pages of a 16F57 with the page bits set before
; each: the words hold the target within the page only. Rebuild the .hex and the
; reference disassembly with baseline_all_instructions.sh after changing this file.
        errorlevel -306

STATUS  equ     0x03
PA0     equ     5
PA1     equ     6

        org     0x000
start   bsf     STATUS, PA0
        goto    page1
sub0    retlw   0x00

        org     0x200
page1   call    sub1
        bcf     STATUS, PA0
        bsf     STATUS, PA1
        goto    page2
sub1    retlw   0x01

        org     0x400
page2   call    sub2
        bsf     STATUS, PA0
        goto    page3
        org     0x4FF
sub2    retlw   0x02

        org     0x600
page3   call    sub3
        goto    page3 + 0x1FF
sub3    retlw   0x03
        org     0x7FF - 1
        goto    page3

; The reset vector of the 16F57 is its last word.
        org     0x7FF
        goto    start

        end
