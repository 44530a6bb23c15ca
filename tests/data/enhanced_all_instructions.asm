; Every enhanced mid-range (PIC12F1xxx/PIC16F1xxx) instruction with a spread of
; operands, and every code below 0x0200 as data, for cross-checking the enhanced
; listing's decoder against gpdasm. Rebuild the .hex and the reference
; disassembly with enhanced_all_instructions.sh after changing this file.
; Operands are written as the listing writes them, so gpasm reads that form too.
        errorlevel -302, -224

; The core registers and bits the program names (as the chip's include file has them).
INDF0   equ     0x00
STATUS  equ     0x03
FSR0    equ     0x04
FSR1    equ     0x06
WREG    equ     0x09
PCLATH  equ     0x0A
INTCON  equ     0x0B
Z       equ     2
GIE     equ     7

        org     0

; Byte-oriented instructions with a destination: every register for MOVF, the
; core registers and a few others for the rest.
r = 0
        while r < 0x80
        movf    r, w
        movf    r, f
r = r + 1
        endw

byteops macro reg
        subwf   reg, w
        subwf   reg, f
        decf    reg, w
        decf    reg, f
        iorwf   reg, w
        iorwf   reg, f
        andwf   reg, w
        andwf   reg, f
        xorwf   reg, w
        xorwf   reg, f
        addwf   reg, w
        addwf   reg, f
        comf    reg, w
        comf    reg, f
        incf    reg, w
        incf    reg, f
        decfsz  reg, w
        decfsz  reg, f
        rrf     reg, w
        rrf     reg, f
        rlf     reg, w
        rlf     reg, f
        swapf   reg, w
        swapf   reg, f
        incfsz  reg, w
        incfsz  reg, f
        lslf    reg, w
        lslf    reg, f
        lsrf    reg, w
        lsrf    reg, f
        asrf    reg, w
        asrf    reg, f
        subwfb  reg, w
        subwfb  reg, f
        addwfc  reg, w
        addwfc  reg, f
        movwf   reg
        clrf    reg
        endm

r = 0
        while r < 0x0D
        byteops r
r = r + 1
        endw
        byteops 0x20
        byteops 0x55
        byteops 0x70
        byteops 0x7F
        byteops PCLATH
        byteops WREG

; Bit-oriented instructions: every bit of the core registers and a few others.
bitops  macro reg
bn = 0
        while bn < 8
        bcf     reg, bn
        bsf     reg, bn
        btfsc   reg, bn
        btfss   reg, bn
bn = bn + 1
        endw
        endm

r = 0
        while r < 0x0D
        bitops r
r = r + 1
        endw
        bitops 0x21
        bitops 0x7F
        btfss   STATUS, Z
        bcf     INTCON, GIE

; Literal instructions on both sides of the printable range.
litops  macro k
        movlw   k
        retlw   k
        iorlw   k
        andlw   k
        xorlw   k
        sublw   k
        addlw   k
        endm

        litops  0x00
        litops  0x2F
        litops  0x30
        litops  41h
        litops  0x7F
        litops  0x80
        litops  0xFF

; Every bank and every page.
k = 0
        while k < 0x20
        movlb   k
k = k + 1
        endw
k = 0
        while k < 0x80
        movlp   k
k = k + 1
        endw

; FSR arithmetic and indirect moves: every offset on both FSRs, every step.
k = -.32
        while k < .32
        addfsr  FSR0, k
        addfsr  FSR1, k
        moviw   k[FSR0]
        moviw   k[FSR1]
        movwi   k[FSR0]
        movwi   k[FSR1]
k = k + 1
        endw
        addfsr  FSR1, -.32
        moviw   .31[FSR1]
        movwi   -.1[FSR0]
        moviw   ++FSR0
        moviw   --FSR0
        moviw   FSR0++
        moviw   FSR0--
        moviw   ++FSR1
        moviw   --FSR1
        moviw   FSR1++
        moviw   FSR1--
        movwi   ++FSR0
        movwi   --FSR0
        movwi   FSR0++
        movwi   FSR0--
        movwi   ++FSR1
        movwi   --FSR1
        movwi   FSR1++
        movwi   FSR1--

; The instructions without operands, and OPTION and TRIS.
        nop
        reset
        return
        retfie
        callw
        brw
        option
        sleep
        clrwdt
        clrw
        tris    5
        tris    6
        tris    7

; Calls and jumps: the ends of the page and in between.
        call    0x000
        call    0x123
        call    0x7FF
        goto    0x000
        goto    0x456
        goto    0x7FF

; Every relative branch: at least 0x100 above 0 so that none leaves the chip
; (gpdasm shows a branch out of program memory as data).
        org     0x0C00
k = -.256
        while k < 0
        bra     $ + 1 + k
k = k + 1
        endw
        while k < .256
        bra     $ + 1 + k
k = k + 1
        endw

; Every code below 0x0200 as data: the no-operand codes, the indirect moves,
; MOVLB, MOVWF, CLRW and CLRF with their gaps and don't-care bits.
k = 0
        while k < 0x100
        dw      k
k = k + 1
        endw
        while k < 0x200
        dw      k
k = k + 1
        endw

        end
